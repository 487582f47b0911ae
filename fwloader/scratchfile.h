#pragma once
#include <QString>
#include <QTemporaryFile>
#include <memory>

// The file a firmware file is deciphered into: "FWValidate" in the program
// folder when the program runs from a folder of its own and can write it,
// else a private temporary file (an installed program). Removed when
// the object goes, whatever path the load took.
class ScratchFile {
public:
    ScratchFile();
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    QString path() const { return path_; }
    // The name in the program folder, where an older run may have left one.
    static QString programFolderPath();

private:
    QString path_;
    std::unique_ptr<QTemporaryFile> temp_;
};
