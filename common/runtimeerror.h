#pragma once
#include <QString>
#include <exception>

// A run-time error as the error log reports it: a number and a description.
// Core code throws these where a conversion or an index goes wrong; the
// procedure that traps them (ProcedureTrap) logs and carries on.
class RuntimeError : public std::exception {
public:
    RuntimeError(int number, QString description);
    int number() const { return number_; }
    const QString& description() const { return description_; }
    const char* what() const noexcept override;

    static RuntimeError overflow();             // 6 "Overflow"
    static RuntimeError subscriptOutOfRange();  // 9 "Subscript out of range"
    static RuntimeError typeMismatch();         // 13 "Type mismatch"
    static RuntimeError invalidArgument();      // 5 "Invalid procedure call or argument"
    static RuntimeError fileNotFound();         // 53 "File not found"
    static RuntimeError fileAlreadyOpen();      // 55 "File already open"
    static RuntimeError permissionDenied();     // 70 "Permission denied"
    static RuntimeError pathNotFound();         // 76 "Path not found"

private:
    int number_;
    QString description_;
    QByteArray what_;
};
