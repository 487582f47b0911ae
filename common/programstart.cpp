#include "programstart.h"

#include <QCoreApplication>

#include <cstdio>

namespace {
void Print(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

// The usage line names the program by its name, not by the path it was
// started with, so the help reads the same wherever the program lies.
QString HelpText(const QCommandLineParser& parser, const QString& name)
{
    QByteArray programName = name.toLocal8Bit();
    int argc = 1;
    char* argv[] = {programName.data(), nullptr};
    const QCoreApplication namedAfterProgram(argc, argv);
    return parser.helpText();
}
} // namespace

std::optional<int> AnswerHelpOrVersion(int argc, char** argv, QCommandLineParser& parser,
                                       const ProgramHelp& help)
{
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Shows this help and exits."));
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Shows the name and version and exits."));
    parser.setApplicationDescription(help.description);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(helpOption);
    parser.addOption(versionOption);

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    parser.parse(arguments);

    if (parser.isSet(helpOption)) {
        QString text = HelpText(parser, help.name);
        if (!help.more.isEmpty())
            text += QLatin1Char('\n') + help.more;
        Print(text);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        Print(QStringLiteral("%1 %2.%3.%4\n")
                  .arg(help.name)
                  .arg(help.version.major)
                  .arg(help.version.minor)
                  .arg(help.version.revision));
        return 0;
    }
    return std::nullopt;
}

std::optional<int> AnswerBeforeWindow(int argc, char** argv, QCommandLineParser& parser,
                                      const ProgramHelp& help)
{
    if (const auto code = AnswerHelpOrVersion(argc, argv, parser, help))
        return code;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Qt would abort deep inside its platform plugin instead.
    const bool platformChosen = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        || parser.unknownOptionNames().contains(QStringLiteral("platform"));
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && !platformChosen) {
        std::fprintf(stderr,
                     "%s: needs a graphical session (DISPLAY is not set); "
                     "QT_QPA_PLATFORM=offscreen runs it without a screen\n",
                     help.name.toLocal8Bit().constData());
        return 1;
    }
#endif
    return std::nullopt;
}
