#pragma once
#include <QString>

#include <cstdint>

// The Open and Save file dialogs of both programs. The parameters are
// passed by reference and written back as the programs expect:
//   fileName    in: initial name; out: the chosen path, empty when cancelled
//               (with multi-select and several files: folder, NUL, names
//               separated by NUL)
//   fileTitle   out: the chosen name without its folder, empty when cancelled
//               or with multi-select
//   filter      in: "desc|pattern|desc|pattern"; out: the chosen filter as
//               description, NUL, pattern; empty when cancelled
//   filterIndex in: 1-based filter shown first; out: the chosen one, -1
//               when cancelled
//   startFolder empty: the folder part of the initial file name
//   flags       in: further Ofn flags (hook and template bits are cleared);
//               out: the resulting flags, 0 when cancelled
//   readOnly    out: set to true when the user ticked read-only
struct DialogParams {
    QString fileName;
    QString fileTitle;
    bool fileMustExist = false;   // Open only
    bool multiSelect = false;     // Open only
    bool readOnly = false;        // Open only
    bool hideReadOnly = false;    // Open; Save always hides it
    bool overwritePrompt = false; // Save only
    QString filter;
    int filterIndex = 1;
    QString startFolder;
    QString title;                // empty: the system's title
    QString defaultExtension;     // appended when the user types none
    uint32_t flags = 0;
};

// The flag values of the common file dialogs, kept so that callers and
// results speak the same numbers.
namespace Ofn {
constexpr uint32_t ReadOnly = 0x1;
constexpr uint32_t OverwritePrompt = 0x2;
constexpr uint32_t HideReadOnly = 0x4;
constexpr uint32_t NoChangeDir = 0x8;
constexpr uint32_t EnableHook = 0x20;
constexpr uint32_t EnableTemplate = 0x40;
constexpr uint32_t AllowMultiSelect = 0x200;
constexpr uint32_t ExtensionDifferent = 0x400;
constexpr uint32_t PathMustExist = 0x800;
constexpr uint32_t FileMustExist = 0x1000;
constexpr uint32_t Explorer = 0x80000;
constexpr uint32_t LongNames = 0x200000;
} // namespace Ofn

// True when the user chose a file.
bool OpenDialog(DialogParams& params);
bool SaveDialog(DialogParams& params);

// Outcome of the last dialog, both 0 before each: 1 when a file was
// chosen, 0 otherwise; and the dialog's own error code when it could not
// be shown.
int LastDialogResult();
uint32_t LastDialogError();

// The index-th (1-based) filter of a NUL-separated filter text, as its
// description, a NUL and its pattern; empty when the text is empty or has
// fewer filters.
QString FilterLookup(const QString& filterWithNuls, int index);

// text up to its first NUL.
QString TrimAtNull(const QString& text);
