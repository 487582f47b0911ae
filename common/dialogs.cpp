#include "dialogs.h"

#include "errorlog.h"
#include "fileservices.h"
#include "prompter.h"

#include <QFileInfo>

namespace {

const QChar kNul(u'\0');

int g_lastResult = 0;
uint32_t g_lastError = 0;

// "desc|pattern|..." as the NUL-separated list the dialog works with. Only
// "|" separates: a ":" is an ordinary character of a description.
QString NulSeparatedFilter(const QString& filter)
{
    QString out = filter;
    out.replace(QLatin1Char('|'), kNul);
    return out + kNul + kNul;
}

void SplitFilter(const QString& nulFilter, FileDialogRequest& request)
{
    const QStringList parts = nulFilter.split(kNul);
    for (qsizetype i = 0; i + 1 < parts.size() && !parts.at(i).isEmpty(); i += 2) {
        request.filters.append(parts.at(i));
        request.patterns.append(parts.at(i + 1));
    }
}

void ClearOutputs(DialogParams& params)
{
    params.fileName.clear();
    params.fileTitle.clear();
    params.filter.clear();
    params.flags = 0;
    params.filterIndex = -1;
}

bool ExtensionDiffers(const QString& path, const QString& defaultExtension)
{
    return !defaultExtension.isEmpty()
        && QFileInfo(path).suffix().compare(defaultExtension, Qt::CaseInsensitive) != 0;
}

// Several files come back as the folder followed by the names, each
// ended by NUL; one file as its full path.
QString MultiSelectResult(const QStringList& chosen)
{
    if (chosen.size() == 1)
        return chosen.first();
    QString out = QFileInfo(chosen.first()).absolutePath();
    for (const QString& path : chosen)
        out += kNul + QFileInfo(path).fileName();
    return out;
}

bool RunDialog(FileDialogRequest::Kind kind, DialogParams& params, const char* procedure)
{
    const ProcedureTrap trap(procedure, "modDLG");
    g_lastResult = 0;
    g_lastError = 0;
    const bool open = kind == FileDialogRequest::Kind::Open;

    uint32_t flags = params.flags & ~(Ofn::EnableHook | Ofn::EnableTemplate);
    if (open) {
        if (params.fileMustExist)
            flags |= Ofn::FileMustExist;
        if (params.multiSelect)
            flags |= Ofn::AllowMultiSelect;
        if (params.readOnly)
            flags |= Ofn::ReadOnly;
        if (params.hideReadOnly)
            flags |= Ofn::HideReadOnly;
    } else {
        flags |= Ofn::HideReadOnly;
        if (params.overwritePrompt)
            flags |= Ofn::OverwritePrompt;
    }

    FileDialogRequest request;
    request.kind = kind;
    request.title = params.title;
    request.startFolder = params.startFolder.isEmpty() ? GetFolder(params.fileName) : params.startFolder;
    request.initialName = params.fileName;
    request.defaultExtension = params.defaultExtension;
    request.filterIndex = params.filterIndex;
    request.fileMustExist = open && (flags & Ofn::FileMustExist);
    request.multiSelect = open && (flags & Ofn::AllowMultiSelect);
    request.overwritePrompt = !open && (flags & Ofn::OverwritePrompt);
    const QString nulFilter = NulSeparatedFilter(params.filter);
    SplitFilter(nulFilter, request);

    bool chosen = false;
    trap([&] { chosen = Prompts().fileDialog(request) && !request.chosen.isEmpty(); });
    if (!chosen) {
        g_lastError = request.errorCode;
        ClearOutputs(params);
        return false;
    }

    g_lastResult = 1;
    const QString first = request.chosen.first();
    if (request.multiSelect) {
        params.fileName = MultiSelectResult(request.chosen);
        params.fileTitle.clear();
    } else {
        params.fileName = first;
        params.fileTitle = QFileInfo(first).fileName();
    }
    if (open) {
        if (request.readOnlyTicked)
            flags |= Ofn::ReadOnly;
        else
            flags &= ~Ofn::ReadOnly;
    }
    if (ExtensionDiffers(first, params.defaultExtension))
        flags |= Ofn::ExtensionDifferent;
    params.flags = flags;
    params.filterIndex = request.filterIndex;
    params.filter = FilterLookup(nulFilter, request.filterIndex);
    if (open && (flags & Ofn::ReadOnly))
        params.readOnly = true;
    return true;
}

} // namespace

bool OpenDialog(DialogParams& params)
{
    return RunDialog(FileDialogRequest::Kind::Open, params, "OpenDialog");
}

bool SaveDialog(DialogParams& params)
{
    return RunDialog(FileDialogRequest::Kind::Save, params, "SaveDialog");
}

int LastDialogResult() { return g_lastResult; }
uint32_t LastDialogError() { return g_lastError; }

QString FilterLookup(const QString& filterWithNuls, int index)
{
    qsizetype position = 0;
    while (index >= 1 && position < filterWithNuls.size()) {
        const qsizetype firstNul = filterWithNuls.indexOf(kNul, position);
        const qsizetype secondNul = firstNul < 0 ? -1 : filterWithNuls.indexOf(kNul, firstNul + 1);
        const qsizetype end = secondNul < 0 ? filterWithNuls.size() : secondNul;
        // The closing NULs of the list hold no further filter.
        if (firstNul == position)
            return {};
        if (index == 1)
            return filterWithNuls.mid(position, end - position);
        position = end + 1;
        --index;
    }
    return {};
}

QString TrimAtNull(const QString& text)
{
    const qsizetype cut = text.indexOf(kNul);
    return cut < 0 ? text : text.left(cut);
}
