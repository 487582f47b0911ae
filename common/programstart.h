#pragma once
#include "version.h"

#include <QCommandLineParser>
#include <QString>

#include <optional>

// What every program answers before it starts its work, so that neither
// --help nor --version needs a display, a port or a window.
struct ProgramHelp {
    QString name;            // the executable, "KV310"
    ProgramVersion version;
    QString description;     // the paragraph under the usage line
    QString more;            // printed after the options (commands, files)
};

// Adds -h/--help and -v/--version to the parser, which holds the program's
// own options and arguments, and parses the command line. When either was
// asked for, prints the usage or "NAME VERSION" on stdout and returns 0, the
// program's exit code; otherwise returns nothing, and parse errors and the
// remaining arguments are the caller's business. Single-dash words are
// taken as long options, so the loader's "-KV-310" asks for nothing.
// Call it before the program creates its application object.
std::optional<int> AnswerHelpOrVersion(int argc, char** argv, QCommandLineParser& parser,
                                       const ProgramHelp& help);

// For the window programs: AnswerHelpOrVersion; then, with no display to
// open a window on (and no Qt platform chosen by QT_QPA_PLATFORM or
// -platform), says so in one line on stderr and returns 1, the exit code.
std::optional<int> AnswerBeforeWindow(int argc, char** argv, QCommandLineParser& parser,
                                      const ProgramHelp& help);
