#pragma once
#include <QString>
#include <utility>

// Appends one entry to ErrorLog.txt (see errorlog.cpp for
// the format, the repeat and size rules). Never throws: it is called from
// error handlers, so an entry that cannot be written is dropped.
void LogError(const QString& message);

// Where ErrorLog.txt lives: in the program folder, or the user's state
// folder when the program is installed (App().logFile).
QString ErrorLogPath();

// Removes the copies of an oversized log that an earlier run of this
// program made for the viewer. Each program calls it as it starts.
void RemoveErrorLogCopies();

// The trapping convention: a procedure creates one trap naming itself and
// its module (or window), and runs each statement through it. A statement
// that throws is logged as
//   Error N (description) in procedure P of Module M on line L
// (" of Form W" for window procedures), L being the source line of the
// statement, and the procedure carries on with the next one.
class ProcedureTrap {
public:
    enum class Container { Module, Form };

    ProcedureTrap(const char* procedure, const char* module)
        : ProcedureTrap(procedure, module, Container::Module) {}
    ProcedureTrap(const char* procedure, const char* container, Container kind)
        : procedure_(procedure), container_(container), kind_(kind) {}

    static ProcedureTrap form(const char* procedure, const char* form)
    {
        return ProcedureTrap(procedure, form, Container::Form);
    }

    // Runs one statement. Returns false when it raised an error (already logged).
    // The default argument takes the caller's line (std::source_location is
    // not available to every compiler the suite is built with).
    template <class Statement>
    bool operator()(Statement&& statement,
                    int line = __builtin_LINE()) const
    {
        try {
            std::forward<Statement>(statement)();
            return true;
        } catch (...) {
            logCurrentException(line);
            return false;
        }
    }

    // As above; the description of an error goes to *description too, for
    // a message that names the cause.
    template <class Statement>
    bool operator()(Statement&& statement, QString* description, int line = __builtin_LINE()) const
    {
        try {
            std::forward<Statement>(statement)();
            return true;
        } catch (...) {
            *description = logCurrentException(line);
            return false;
        }
    }

    // The log line for an error of this procedure.
    QString message(int number, const QString& description, int line) const;

    // Logs the exception being handled (call only inside a catch block) and
    // returns its description.
    QString logCurrentException(int line) const;

private:
    const char* procedure_;
    const char* container_;
    Container kind_;
};
