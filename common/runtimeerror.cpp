#include "runtimeerror.h"

RuntimeError::RuntimeError(int number, QString description)
    : number_(number), description_(std::move(description)),
      what_(("Error " + QString::number(number_) + " (" + description_ + ")").toUtf8())
{
}

const char* RuntimeError::what() const noexcept { return what_.constData(); }

RuntimeError RuntimeError::overflow() { return {6, QStringLiteral("Overflow")}; }
RuntimeError RuntimeError::subscriptOutOfRange() { return {9, QStringLiteral("Subscript out of range")}; }
RuntimeError RuntimeError::typeMismatch() { return {13, QStringLiteral("Type mismatch")}; }
RuntimeError RuntimeError::invalidArgument() { return {5, QStringLiteral("Invalid procedure call or argument")}; }
RuntimeError RuntimeError::fileNotFound() { return {53, QStringLiteral("File not found")}; }
RuntimeError RuntimeError::fileAlreadyOpen() { return {55, QStringLiteral("File already open")}; }
RuntimeError RuntimeError::permissionDenied() { return {70, QStringLiteral("Permission denied")}; }
RuntimeError RuntimeError::pathNotFound() { return {76, QStringLiteral("Path not found")}; }
