#include "ProgramFolders.h"

#include "GuardianProtocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace {

[[noreturn]] void refuse(const QString& folder, const QString& cause) { throw FolderError(folder, cause); }

}  // namespace

FolderError::FolderError(QString folder_, QString cause_)
    : std::runtime_error(QString("The program folder %1 cannot be used: %2").arg(folder_, cause_).toStdString()),
      folder(std::move(folder_)), cause(std::move(cause_))
{
}

ProgramFolders ProgramFolders::forExecutable(const QString& executableFolder, const QString& userFolder)
{
    const QString bin = QDir::cleanPath(executableFolder.isEmpty() ? QString(".") : executableFolder);
    if (QFileInfo(bin + "/" + kSettingsFile).isFile()) {
        ProgramFolders f = portableAt(bin);
        f.guardianPath_ = bin + "/" + GuardianProtocol::kExecutable;
        return f;
    }
    ProgramFolders f;
    f.programFolder_ = QDir::cleanPath(userFolder);
    f.sharedFolder_ = QDir::cleanPath(bin + "/../share/fornaxel");
    f.guardianPath_ = QDir::cleanPath(bin + "/../libexec/fornaxel/" + GuardianProtocol::kExecutable);
    return f;
}

ProgramFolders ProgramFolders::forThisProgram()
{
    return forExecutable(QCoreApplication::applicationDirPath(), userDataFolder());
}

ProgramFolders ProgramFolders::portableAt(const QString& folder)
{
    ProgramFolders f;
    f.programFolder_ = QDir::cleanPath(folder);
    f.sharedFolder_ = f.programFolder_;
    const QString bin = QCoreApplication::applicationDirPath();
    f.guardianPath_ = (bin.isEmpty() ? QString(".") : bin) + "/" + GuardianProtocol::kExecutable;
    return f;
}

// AppDataLocation of an application named "Fornaxel" without an organisation, spelled out so
// that it does not depend on who set the application's name.
QString ProgramFolders::userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/" + kUserFolderName;
}

ProgramFolders ProgramFolders::withProgramFolder(const QString& folder) const
{
    ProgramFolders f = *this;
    f.programFolder_ = QDir::cleanPath(folder);
    return f;
}

void ProgramFolders::prepare() const
{
    makeWritableFolder(programFolder_);
    if (!portable() && !QFileInfo::exists(programFolder_ + "/" + kSettingsFile))
        seed();
}

void ProgramFolders::makeWritableFolder(const QString& folder) const
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(folder).toStdString()), ec);
    if (ec)
        refuse(folder, QString::fromLocal8Bit(ec.message()));
    if (!QFileInfo(folder).isDir())
        refuse(folder, "it is not a folder");
    QTemporaryFile probe(folder + "/.fornaxel-write-XXXXXX");
    if (!probe.open())
        refuse(folder, probe.errorString());
}

// term.ini comes last: a first start cut short is seeded again at the next one.
void ProgramFolders::seed() const
{
    QStringList files;
    const QDir shared(sharedFolder_);
    for (const QString& pattern : kSeeded) {
        const QString sub = pattern.section('/', 0, 0);
        for (const QString& name : QDir(shared.filePath(sub)).entryList({pattern.section('/', 1)}, QDir::Files))
            files << sub + "/" + name;
    }
    files << kSettingsFile;
    for (const QString& rel : files) {
        const QString from = shared.filePath(rel);
        const QString to = programFolder_ + "/" + rel;
        if (!QFileInfo(from).isFile() || QFileInfo::exists(to))
            continue;
        makeWritableFolder(QFileInfo(to).path());
        QFile source(from);
        if (!source.copy(to))
            refuse(programFolder_, QString("%1 cannot be copied in: %2").arg(from, source.errorString()));
        // The shipped files are read-only; the operator's copies are not.
        QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                      QFileDevice::ReadOther);
    }
}

QString ProgramFolders::readable(const QString& programFolder, const QString& sharedFolder, const QString& relative)
{
    const QString own = programFolder + "/" + relative;
    if (sharedFolder.isEmpty() || sharedFolder == programFolder || QFileInfo::exists(own))
        return own;
    const QString shipped = sharedFolder + "/" + relative;
    return QFileInfo::exists(shipped) ? shipped : own;
}

QString ProgramFolders::readableFolder(const QString& programFolder, const QString& sharedFolder,
                                       const QString& relative)
{
    const QString own = programFolder + "/" + relative;
    if (sharedFolder.isEmpty() || QFileInfo(own).isDir())
        return own;
    const QString shipped = sharedFolder + "/" + relative;
    return QFileInfo(shipped).isDir() ? shipped : own;
}
