#pragma once
#include <QFile>
#include <QString>

// The file a firmware file is deciphered into while one load runs.
// Created exclusively, mode 0600 and never through a link: as "FWValidate"
// in the program folder when the program runs from a folder of its own and
// can write it, else in the temporary folder (an installed program). Its
// name is removed at once: the deciphered text is reachable only through
// this object, no other user can read or redirect it, and nothing is left
// behind however the load ends, a crash included.
class ScratchFile {
public:
    ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    bool isOpen() const { return file_.isOpen(); }
    // Read and write, unbuffered; closed when the object goes.
    QFile& file() { return file_; }
    // Why no file could be created.
    QString errorString() const { return error_; }

    // The name in the program folder, where an older run may have left one.
    static QString programFolderPath();
    // Removes such a leftover.
    static void removeStale();

private:
    bool createAt(const QString& path);

    QFile file_;
    QString error_;
};
