#pragma once
#include "KilnState.h"
#include "Services.h"
#include "Texts.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

class EventLog;
class QLineEdit;
class QWidget;
class TemperatureChart;

// The controls a firing's files read: the page painted into the picture and the fields whose
// texts go into the table header, the caption and the closing log entries.
struct DataFilesView {
    QWidget* TabWork = nullptr;
    QLineEdit* PID_P = nullptr;
    QLineEdit* PID_I = nullptr;
    QLineEdit* PID_D = nullptr;
    QLineEdit* MODEL_P = nullptr;
    QLineEdit* MODEL_R = nullptr;
    QLineEdit* MODEL_I = nullptr;
    QLineEdit* Edit9 = nullptr;   // energy used, as shown
    QLineEdit* Edit10 = nullptr;  // its cost, as shown
};

struct DataFilesHooks {
    std::function<QString()> DeviceNameStr;    // the interface name
    std::function<QString()> OvenFileName;     // full name of the oven configuration file
    std::function<QString()> ProgramFileName;  // full name of the program file
    std::function<void()> ClearEnergyMeter;    // a new recording starts with an empty meter
};

// A firing kept on disk: three files with one name in the Data folder, the chart's points as
// a table (.dat), the Work tab with a caption as a picture (.gif) and a copy of the event log
// (.txt); the table and the log copy are UTF-8 for people and their tools. Also the chart's
// Save and Clear buttons and the clean-up of old tables.
class DataFiles {
public:
    static constexpr int kCaptionHeight = 45;
    static constexpr int kCaptionLineStep = 15;
    static constexpr double kKeepDays = 7.0;

    DataFiles(KilnState& state, const Clock& clock, const MessageSource& texts, EventLog& log,
              TemperatureChart& chart, Dialogs& dialogs, const DataFilesView& view, DataFilesHooks hooks);

    // Writes the table, the picture and, after the three closing log entries, the log copy.
    // Throws std::runtime_error: at once when the table cannot be written (nothing else is
    // then done); after the log copy when the picture or the copy failed.
    void SaveAll();
    // A new name for the next set of files, from the wall clock: Data/yy-mm-dd hh-nn-ss.
    QString MakeDataFileName();
    QString DataFileBase() const { return dataFileBase_; }
    static QString CommaToPoint(QString text);

    // Save: an entry, then the files.
    void GraphSaveClick();
    // Clear, when the operator confirms: the files of the recording being cleared, then a
    // new log with its opening entries, an empty chart and meter and a recording not begun.
    // When the files cannot be written nothing is cleared and the error is passed on.
    void GraphClearClick();
    // Deletes the tables in the Data folder last modified more than seven days ago.
    void EraseOldDat();

    // What the files hold, as they would be written now.
    QString dataFolder() const;
    QString tableHeader() const;
    QStringList tableLines() const;  // in the order of the cycles, the newest one left out
    QStringList captionLines() const;
    QImage picture();

private:
    void makeDataFolder() const;
    void writeTable();
    void writePicture();
    void logClosingEntries();
    void logOpeningEntries();
    void startNewRecording();
    QString field(QLineEdit* edit) const;

    KilnState& state_;
    const Clock& clock_;
    const MessageSource& texts_;
    EventLog& log_;
    TemperatureChart& chart_;
    Dialogs& dialogs_;
    DataFilesView view_;
    DataFilesHooks hooks_;
    QString dataFileBase_;
};
