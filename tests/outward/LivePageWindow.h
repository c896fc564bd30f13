#pragma once
// The real main window on a simulated kiln with the live page switched on in its settings
// file, driven cycle by cycle as the end-to-end tests drive it.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "IniFile.h"
#include "Widgets.h"

#include <QLineEdit>

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

struct LivePageWindow : ::testing::Test, WindowServices {
    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;

    // A port nothing listens on at the moment.
    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    // `liveSection`: the lines of [LivePage] in the settings file.
    void open(const QString& liveSection)
    {
        random.fallback = -1;  // no noise
        QFile ini(dir.filePath("term.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        // English from the start, so that the entries of the start-up read as the operator reads them.
        ini.write(("[TForm1]\r\nEnglish_Checked=1\r\nRussian_Checked=0\r\n[LivePage]\r\n" + liveSection).toLatin1());
        ini.close();
        ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/English.lng", dir.filePath("English.lng")));
        form = std::make_unique<TForm1>(app(dir.path()));
        form->livePage->serveNetworkOn(QHostAddress::LocalHost);  // "the studio network" stays on this computer
        restoreWithoutTimers(*form);
        form->MODEL_P->setText("0.05");
        form->PID_P->setText("5");
        form->PID_I->setText("0.005");
        form->PID_D->setText("50");
    }

    // A short program: to 300 °C in an hour, half an hour's hold, then off.
    void startFiring()
    {
        form->Prog->setCell(1, 2, "300");
        form->Prog->setCell(2, 2, "60");
        form->Prog->setCell(1, 3, "300");
        form->Prog->setCell(2, 3, "30");
        form->Prog->setCell(1, 4, "0");
        form->Prog->setCell(2, 4, "0");
        for (int i = 0; i < 5; ++i)
            form->InterfaceTimerTimer();
        form->StartButtonClick();
    }

    QStringList logLines() const { return form->log->lines(); }
};
