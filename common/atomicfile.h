#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/types.h>

// Replaces a file whole. The new contents go to a temporary file created
// exclusively in the target's folder (".NAME~XXXXXX", mode 0600 while it is
// written) and are renamed over the target only when complete and synced,
// so a failure (a full disk, an unreadable input, a killed program) leaves
// the old file as it was. The new file keeps the old one's mode and, where
// the user may set it, its group; when the group cannot be kept its rights
// are not handed to another group.
//
// A link the saving user owns is followed, so the file it points at is
// replaced; a link owned by anyone else is refused, as is a target that is
// not a regular file (a FIFO, a device) or that the user may not write.
// Temporary files of an earlier save of the same file that was killed are
// removed when the next one opens (only this user's, and none a running
// save still holds).
//
// QSaveFile does most of this but cannot keep the group, refuse other users'
// links or clear up after a killed save on file systems without unnamed
// temporary files.
class AtomicFile {
public:
    explicit AtomicFile(const QString& path);
    ~AtomicFile();   // an uncommitted temporary file is removed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. False with errorString() when the target
    // cannot be replaced.
    bool open();
    // Where the new contents are written: unbuffered, so a full disk shows
    // at the write that hit it.
    QFile& file() { return file_; }
    // Puts the new file in the target's place. False (and the target as it
    // was) when it could not be completed.
    bool commit();
    // The same for a file that must not replace anything: false with
    // nameTaken() when something of the target's name exists by then
    // (another program's save took it first), the temporary file removed.
    bool commitNew();
    bool nameTaken() const { return nameTaken_; }
    QString errorString() const { return error_; }

    // Removes the temporary files that killed saves of any file in folder
    // whose name matches left there (only this user's, none a running save
    // holds): for files whose names never repeat, no later save of the same
    // name would.
    static void removeLeftoversOf(const QString& folder, bool (*matches)(const QByteArray& name));

private:
    bool fail(const QString& why);
    bool finishWriting();
    void renamed();
    bool resolveTarget();
    void removeLeftovers();
    bool createTemporary();
    void takeOverAccess();
    QByteArray temporaryPrefix() const;

    QString path_;
    QString error_;
    QByteArray folder_;
    QByteArray targetName_;
    QByteArray tempName_;
    int folderFd_ = -1;
    int fd_ = -1;
    bool targetExists_ = false;
    bool nameTaken_ = false;
    mode_t targetMode_ = 0;
    uid_t targetOwner_ = 0;
    gid_t targetGroup_ = 0;
    QFile file_;
};
