#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The build installed into a fresh prefix, as the package installs it into /usr: the program
// finds its shared folder and its guardian only at fixed places beside bin/, and nothing but
// the program may be installed.
namespace {

class InstallLayoutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        prefix_ = new QTemporaryDir;
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(FORNAXEL_CMAKE, {"--install", FORNAXEL_BUILD_DIR, "--prefix", prefix_->path()});
        const bool ended = install.waitForFinished(300000);
        log_ = QString::fromLocal8Bit(install.readAll());
        installed_ = ended && install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0;
    }
    static void TearDownTestSuite()
    {
        delete prefix_;
        prefix_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(installed_) << log_.toStdString(); }

    static QString installed(const QString& rel) { return prefix_->filePath(rel); }

    // Every file under the prefix, by its path relative to it.
    static QSet<QString> installedFiles()
    {
        QSet<QString> files;
        QDirIterator it(prefix_->path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            files.insert(QDir(prefix_->path()).relativeFilePath(it.next()));
        return files;
    }

    static inline QTemporaryDir* prefix_ = nullptr;
    static inline QString log_;
    static inline bool installed_ = false;
};

const QString kDataDir = FORNAXEL_SOURCE_DIR "/data";

// The shipped data files, by their paths relative to the data folder.
QStringList shippedDataFiles()
{
    QStringList files;
    QDirIterator it(kDataDir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(kDataDir).relativeFilePath(it.next());
    return files;
}

QStringList renderedIcons()
{
    QStringList icons;
    for (const QString& size : QString(FORNAXEL_RENDERED_ICON_SIZES).split(',', Qt::SkipEmptyParts))
        icons << QString("share/icons/hicolor/%1x%1/apps/org.fornaxel.Fornaxel.png").arg(size);
    return icons;
}

struct Placed {
    QString path;
    bool executable;
};

// Where each part must land, relative to the prefix.
const QList<Placed> kPlaced = {
    {"bin/fornaxel", true},
    {"libexec/fornaxel/fornaxel-guardian", true},
    {"share/fornaxel/English.lng", false},
    {"share/fornaxel/Russian.lng", false},
    {"share/fornaxel/Deutsch.lng", false},
    {"share/fornaxel/term.ini", false},
    {"share/fornaxel/Prog/Prog1.prg", false},
    {"share/fornaxel/Oven/Oven1.ovn", false},
    {"share/fornaxel/Cones/cones.csv", false},
    {"share/fornaxel/Help/Russian/Help.htm", false},
    {"share/fornaxel/Sounds/CHIMES.WAV", false},
    {"share/applications/org.fornaxel.Fornaxel.desktop", false},
    {"share/metainfo/org.fornaxel.Fornaxel.metainfo.xml", false},
    {"share/mime/packages/fornaxel.xml", false},
    {"share/icons/hicolor/scalable/apps/org.fornaxel.Fornaxel.svg", false},
    {"share/man/man1/fornaxel.1.gz", false},
    {"share/doc/fornaxel/copyright", false},
    {"share/doc/fornaxel/changelog.gz", false},
    {"share/lintian/overrides/fornaxel", false},
};

TEST_F(InstallLayoutTest, PutsEachPartWhereItIsLookedForWithItsMode)
{
    const auto rw_r_r = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    const auto rwx_rx_rx = rw_r_r | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    QList<Placed> placed = kPlaced;
    for (const QString& icon : renderedIcons())
        placed.append({icon, false});
    for (const Placed& p : placed) {
        SCOPED_TRACE(p.path.toStdString());
        const QFileInfo info(installed(p.path));
        ASSERT_TRUE(info.isFile());
        EXPECT_GT(info.size(), 0);
        const auto mode = info.permissions() & (rwx_rx_rx | QFile::WriteGroup | QFile::WriteOther);
        EXPECT_EQ(mode, p.executable ? rwx_rx_rx : rw_r_r);
    }
}

TEST_F(InstallLayoutTest, SharedFolderHoldsEveryShippedFileAsItIs)
{
    for (const QString& rel : shippedDataFiles()) {
        SCOPED_TRACE(rel.toStdString());
        QFile shipped(kDataDir + "/" + rel);
        QFile shared(installed("share/fornaxel/" + rel));
        ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
        ASSERT_TRUE(shared.open(QIODevice::ReadOnly));
        EXPECT_TRUE(shipped.readAll() == shared.readAll());
    }
}

TEST_F(InstallLayoutTest, InstallsNothingButTheProgram)
{
    QSet<QString> expected;
    for (const Placed& p : kPlaced)
        expected.insert(p.path);
    for (const QString& rel : shippedDataFiles())
        expected.insert("share/fornaxel/" + rel);
    for (const QString& icon : renderedIcons())
        expected.insert(icon);
    const QSet<QString> files = installedFiles();
    QStringList unexpected = (files - expected).values();
    QStringList missing = (expected - files).values();
    unexpected.sort();
    missing.sort();
    EXPECT_TRUE(unexpected.isEmpty()) << "installed but not part of the program: "
                                      << unexpected.join(", ").toStdString();
    EXPECT_TRUE(missing.isEmpty()) << "missing: " << missing.join(", ").toStdString();
}

}  // namespace
