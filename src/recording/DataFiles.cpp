#include "DataFiles.h"

#include "DateTime.h"
#include "EventLog.h"
#include "GifWriter.h"
#include "LocaleFacts.h"
#include "Numbers.h"
#include "TemperatureChart.h"
#include "TextCodec.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QWidget>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace {

// A number of the table: the general form with a point whatever the system's separator.
QString tableNumber(double v)
{
    QString s = Numbers::formatGeneral(v);
    const QChar sep = LocaleFacts::current().decimalSeparator;
    if (sep != '.')
        s.replace(sep, '.');
    return s;
}

QString callText(const std::function<QString()>& f) { return f ? f() : QString(); }

// Runs a step whose failure is reported after the steps that follow it.
template <class F>
void attempt(QStringList& failures, F&& step)
{
    try {
        step();
    } catch (const std::exception& e) {
        failures << QString::fromUtf8(e.what());
    }
}

}  // namespace

DataFiles::DataFiles(KilnState& state, const Clock& clock, const MessageSource& texts, EventLog& log,
                     TemperatureChart& chart, Dialogs& dialogs, const DataFilesView& view, DataFilesHooks hooks)
    : state_(state),
      clock_(clock),
      texts_(texts),
      log_(log),
      chart_(chart),
      dialogs_(dialogs),
      view_(view),
      hooks_(std::move(hooks))
{
}

QString DataFiles::field(QLineEdit* edit) const { return edit ? edit->text() : QString(); }

QString DataFiles::dataFolder() const { return state_.AppFolder + "/Data"; }

QString DataFiles::CommaToPoint(QString text) { return text.replace(',', '.'); }

// Said with its own cause: the table's write would only report the missing folder.
void DataFiles::makeDataFolder() const
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(dataFolder().toStdString()), error);
    if (error)
        throw std::runtime_error("Cannot create the folder " + dataFolder().toStdString() + ": " + error.message());
}

QString DataFiles::MakeDataFileName()
{
    dataFileBase_ = dataFolder() + "/" + DateTime::fileStamp(clock_.now());
    return dataFileBase_;
}

void DataFiles::SaveAll()
{
    makeDataFolder();
    MakeDataFileName();
    writeTable();  // a table that cannot be written stops the save here
    QStringList failures;
    attempt(failures, [this] { writePicture(); });
    logClosingEntries();
    attempt(failures, [this] { log_.writeCopy(dataFileBase_ + ".txt"); });
    if (!failures.isEmpty())
        throw std::runtime_error(failures.join('\n').toStdString());
}

// ---- The table ----

QString DataFiles::tableHeader() const
{
    const QStringList fields{QString::number(state_.VerMajor), QString::number(state_.VerMinor),
                             QString::number(state_.VerRelease), QString::number(state_.VerBuild),
                             field(view_.PID_I), field(view_.PID_P), field(view_.PID_D),
                             field(view_.MODEL_P), field(view_.MODEL_R), field(view_.MODEL_I),
                             "0 0 0 0 0 0"};
    return CommaToPoint(fields.join(' '));
}

QStringList DataFiles::tableLines() const
{
    QStringList out;
    // The newest point is left out: the table ends with the cycle before it. Rows follow the
    // cycles, each with the wall clock as it was then, even where the clock went back.
    const int rows = chart_.pointCount(0) - 1;
    for (int j = 0; j < rows; ++j) {
        QString line = tableNumber(chart_.pointStamp(j)) + " ";
        for (int s = 0; s < TemperatureChart::kDataSeries; ++s)
            line += tableNumber(chart_.pointY(s, j)) + " ";
        out << CommaToPoint(line);
    }
    return out;
}

void DataFiles::writeTable()
{
    QString text = tableHeader() + "\r\n";
    for (const QString& line : tableLines())
        text += line + "\r\n";
    TextCodec::writeUtf8FileAtomic(dataFileBase_ + ".dat", text);
}

// ---- The picture ----

QStringList DataFiles::captionLines() const
{
    const QString pid =
        "          PID: " + field(view_.PID_P) + "; " + field(view_.PID_I) + "; " + field(view_.PID_D);
    const QString device = "DEVICE:  " + callText(hooks_.DeviceNameStr);
    const QString deviceLine =
        state_.simulated()
            ? device + "          MODEL: " + field(view_.MODEL_P) + "; " + field(view_.MODEL_R) + "; " +
                  field(view_.MODEL_I) + pid
            : device + " v " + state_.FirmwareVersion + pid;
    return {"Fornaxel v " + state_.AppVersion + "        Folder: " + state_.AppFolder +
                "         Start: " + EventLog::TimeStampStr(state_.RecordStart),
            deviceLine,
            "OVEN: " + callText(hooks_.OvenFileName) + "           PROGRAM: " + callText(hooks_.ProgramFileName)};
}

QImage DataFiles::picture()
{
    if (!view_.TabWork)
        throw std::runtime_error("Cannot draw the picture: there is no work page");
    chart_.Redraw();  // the latest points, even when their redraw is still pending
    const QSize tab = view_.TabWork->size();
    QImage image(tab.width(), tab.height() + kCaptionHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    view_.TabWork->render(&painter);
    const QColor colours[] = {Qt::black, QColor(255, 0, 0), QColor(0, 0, 255)};
    const QStringList lines = captionLines();
    const int ascent = painter.fontMetrics().ascent();
    for (int i = 0; i < lines.size(); ++i) {
        painter.setPen(colours[i]);
        painter.drawText(QPoint(1, tab.height() + i * kCaptionLineStep + ascent), lines[i]);
    }
    painter.end();
    return image;
}

void DataFiles::writePicture() { TextCodec::writeFileAtomic(dataFileBase_ + ".gif", GifWriter::encode(picture())); }

// ---- The log ----

void DataFiles::logClosingEntries()
{
    log_.TLogLS("LogExpendedEnergy", field(view_.Edit9));
    log_.TLogLS("LogEnergyCost", field(view_.Edit10));
    log_.TLogLS("LogConnectionErrors", Numbers::formatInt(state_.LostCycles));
}

void DataFiles::logOpeningEntries()
{
    log_.TLogStart();
    log_.TLogLS("LogOven", callText(hooks_.OvenFileName));
    log_.TLogLS("LogKilningProgram", callText(hooks_.ProgramFileName));
    log_.TLogX("PID: P=" + field(view_.PID_P) + "; I=" + field(view_.PID_I) + "; D=" + field(view_.PID_D));
    if (state_.simulated())
        log_.TLogLS("LogModel",
                    ": P=" + field(view_.MODEL_P) + "; R=" + field(view_.MODEL_R) + "; I=" + field(view_.MODEL_I));
}

// ---- The buttons ----

void DataFiles::GraphSaveClick()
{
    log_.TLogLS("LogSavingData", "");
    SaveAll();
}

void DataFiles::GraphClearClick()
{
    if (!dialogs_.askYesNo(texts_.LS("MBWarning"), texts_.LS("MBClearGraphLog")))
        return;
    log_.TLogLS("LogClearGraph", "");
    SaveAll();  // the recording being cleared is kept on disk, this entry included
    log_.clear();
    logOpeningEntries();
    startNewRecording();
}

void DataFiles::startNewRecording()
{
    // The controller's name and version are logged again when it next reports them.
    state_.FirmwareVersion.clear();
    state_.ControllerName.clear();
    state_.RecordStart = 0;  // the next control cycle begins the new recording
    chart_.ClearAll();
    if (hooks_.ClearEnergyMeter)
        hooks_.ClearEnergyMeter();
}

// ---- The clean-up ----

void DataFiles::EraseOldDat()
{
    const QDateTime now = DateTime::toQDateTime(clock_.now());
    const QFileInfoList tables = QDir(dataFolder()).entryInfoList(
        {"*.dat"}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& table : tables) {
        // Measured in real time, so that a change of daylight saving time shifts nothing.
        const double ageDays = double(table.lastModified().msecsTo(now)) / 86400000.0;
        if (ageDays > kKeepDays)
            QFile::remove(table.filePath());  // a table that cannot be deleted stays
    }
}
