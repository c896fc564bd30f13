// The program itself as a process, reporting to a real mosquitto: whichever way it ends, killed
// or closed in order, the broker holds "offline" for the kiln.
#include "WaitFor.h"
#include "MosquittoBroker.h"
#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace mqtt_test;

namespace {

// A portable program folder: the program, its guardian and the shipped files.
void layOut(const QString& folder)
{
    ASSERT_TRUE(copyFolder(FORNAXEL_DATA_DIR, folder));
    for (const auto& [from, name] : {std::pair{FORNAXEL_APP, "fornaxel"}, std::pair{FORNAXEL_GUARDIAN, "fornaxel-guardian"}}) {
        ASSERT_TRUE(QFile::copy(from, folder + "/" + name));
        QFile::setPermissions(folder + "/" + name, QFile::permissions(from));
    }
}

}  // namespace

TEST(MqttProcess, TheBrokerHoldsOfflineHoweverTheProgramEnds)
{
    if (!MosquittoBroker::available())
        GTEST_SKIP() << "the mosquitto broker is not installed";
    MosquittoBroker broker;
    ASSERT_TRUE(broker.prepare()) << broker.error.toStdString();
    ASSERT_TRUE(broker.start()) << broker.error.toStdString();
    MqttWatcher watcher(broker.port);
    const QString availability = "fornaxel/process_kiln/availability";

    struct Case {
        const char* name;
        int signal;
    };
    for (const Case& c : {Case{"killed", SIGKILL}, Case{"closed in order", SIGTERM}}) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        layOut(dir.path());
        const QByteArray settings = "\r\n[MQTT]\r\nEnabled=TRUE\r\nHost=127.0.0.1\r\nPort=" +
                                    QByteArray::number(broker.port) + "\r\nUser=" + MosquittoBroker::kUser.toUtf8() +
                                    "\r\nPassword=" + MosquittoBroker::kPassword.toUtf8() +
                                    "\r\n[Remote]\r\nKilnName=Process Kiln\r\n";
        writeBytes(dir.path() + "/term.ini", readBytes(dir.path() + "/term.ini") + settings);
        watcher.clear();
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(dir.path() + "/fornaxel", {});
        ASSERT_TRUE(program.waitForStarted(10000));
        ASSERT_TRUE(waitFor([&] { return watcher.last(availability) == "online"; }, 60000));
        ::kill(pid_t(program.processId()), c.signal);
        EXPECT_TRUE(program.waitForFinished(60000));
        EXPECT_TRUE(waitFor([&] { return watcher.last(availability) == "offline"; }, 30000));
    }
}
