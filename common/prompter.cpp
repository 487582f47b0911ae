#include "prompter.h"

#include <cstdio>

namespace {

class HeadlessPrompter : public Prompter {
public:
    MsgAnswer message(const QString& text, MsgIcon, MsgButtons buttons, const QString& title) override
    {
        std::fprintf(stderr, "%s%s%s\n", qPrintable(title), title.isEmpty() ? "" : ": ",
                     qPrintable(text));
        switch (buttons) {
        case MsgButtons::Ok: return MsgAnswer::Ok;
        case MsgButtons::YesNo: return MsgAnswer::No;
        case MsgButtons::YesNoCancel: return MsgAnswer::Cancel;
        }
        return MsgAnswer::Ok;
    }
    bool fileDialog(FileDialogRequest& request) override
    {
        request.chosen.clear();
        return false;
    }
    // Without anyone to ask, nothing goes on.
    bool review(ReviewRequest& request) override
    {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(request.text), qPrintable(request.lines.join(QLatin1Char('\n'))));
        return false;
    }
    void openWithViewer(const QString&) override {}
};

HeadlessPrompter g_headless;
Prompter* g_prompter = nullptr;

} // namespace

Prompter& Prompts() { return g_prompter ? *g_prompter : g_headless; }

void SetPrompter(Prompter* p) { g_prompter = p; }
