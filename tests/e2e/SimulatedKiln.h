#pragma once
// The real main window on a simulated kiln, with test services and without its timers.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "LocaleFacts.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

struct SimulatedKiln : ::testing::Test, WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;

    void SetUp() override
    {
        random.fallback = -1;  // the middle of every range: no noise, ambient 25.5 °C
        form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
        // A kiln that can reach a firing's temperatures: node 1 settles P/I × power above the ambient.
        form->MODEL_P->setText("0.05");
    }

    void setLine(int n, const QString& temp, const QString& minutes)
    {
        form->Prog->setCell(1, n + 1, temp);
        form->Prog->setCell(2, n + 1, minutes);
    }

    // The log entries' texts after the stamp; with no language loaded each reads "?? key ??".
    QStringList logKeys() const { return logKeys(*form); }
    static QStringList logKeys(const TForm1& window)
    {
        QStringList keys;
        for (const QString& line : window.log->lines()) {
            const int at = line.indexOf("?? ");
            if (at >= 0)
                keys << line.mid(at + 3, line.indexOf(" ??", at) - at - 3);
        }
        return keys;
    }
};
