#include "QtServices.h"

#include "DateTime.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QSoundEffect>
#include <QUrl>
#include <chrono>

double SystemClock::now() const { return DateTime::fromQDateTime(QDateTime::currentDateTime()); }

double SystemClock::monotonicSeconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

SystemRandom::SystemRandom() : generator_(quint32(QDateTime::currentMSecsSinceEpoch())) {}

int SystemRandom::uniform(int count) { return count <= 0 ? 0 : int(generator_.bounded(count)); }

bool QtDialogs::askYesNo(const QString& title, const QString& text)
{
    return QMessageBox::question(parent_, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogs::showMessage(const QString& title, const QString& text)
{
    QMessageBox::information(parent_, title, text, QMessageBox::Ok);
}

void QtDialogs::showError(const QString& text) { QMessageBox::critical(parent_, "Fornaxel", text, QMessageBox::Ok); }

QString QtDialogs::toQtFilter(const QString& filter)
{
    const QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(';', ' ');
        if (!description.contains('('))
            description += " (" + patterns + ")";
        else if (!description.contains(patterns))
            description = description.left(description.indexOf('(')).trimmed() + " (" + patterns + ")";
        out << description;
    }
    if (out.isEmpty())
        out << filter;
    return out.join(";;");
}

QString QtDialogs::runFileDialog(bool save, const QString& title, const QString& filter, const QString& defaultExt,
                                 const QString& folder, const QString& fileName)
{
    QFileDialog dialog(parent_, title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(toQtFilter(filter).split(";;"));
    // The extension goes on the name before the dialog looks for the file, so that saving
    // as "Prog1" asks before it replaces Prog1.prg.
    dialog.setDefaultSuffix(defaultExt);
    if (fileName.isEmpty()) {
        dialog.setDirectory(QDir(folder).absolutePath());
    } else {
        dialog.setDirectory(QFileInfo(fileName).absolutePath());
        dialog.selectFile(QFileInfo(fileName).fileName());
    }
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

QString QtDialogs::openFile(const QString& title, const QString& filter, const QString& defaultExt,
                            const QString& folder, const QString& fileName)
{
    return runFileDialog(false, title, filter, defaultExt, folder, fileName);
}

QString QtDialogs::saveFile(const QString& title, const QString& filter, const QString& defaultExt,
                            const QString& folder, const QString& fileName)
{
    return runFileDialog(true, title, filter, defaultExt, folder, fileName);
}

QColor QtDialogs::chooseColor(const QColor& initial)
{
    const QColor c = QColorDialog::getColor(initial, parent_);
    return c.isValid() ? c : initial;
}

QString QtDialogs::choosePort(const QString& title, const QStringList& lines, const QStringList& ports,
                              const QString& current)
{
    QDialog dialog(parent_);
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    for (const QString& line : lines)
        layout->addWidget(new QLabel(line, &dialog));
    auto* list = new QComboBox(&dialog);
    list->setEditable(true);  // a pseudo-terminal is not listed, but can be typed
    list->addItems(ports);
    const qsizetype preselected = ports.indexOf(current);
    list->setCurrentIndex(preselected >= 0 ? int(preselected) : (ports.isEmpty() ? -1 : 0));
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return list->currentText().trimmed();
}

double QtDialogs::chooseStartTime(const QString& title, const QStringList& lines, double initial)
{
    QDialog dialog(parent_);
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    for (const QString& line : lines)
        layout->addWidget(new QLabel(line, &dialog));
    auto* when = new QDateTimeEdit(DateTime::toQDateTime(initial), &dialog);
    when->setDisplayFormat("dd.MM.yyyy  HH:mm");
    when->setCalendarPopup(true);
    layout->addWidget(when);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    QDateTime chosen = when->dateTime();
    chosen.setTime(QTime(chosen.time().hour(), chosen.time().minute()));
    return DateTime::fromQDateTime(chosen);
}

QtSoundPlayer::QtSoundPlayer() : effect_(std::make_unique<QSoundEffect>()) {}

QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::play(const QString& path)
{
    effect_->stop();
    effect_->setSource(QUrl::fromLocalFile(path));
    effect_->play();
}

void QtSoundPlayer::stop() { effect_->stop(); }

void SystemPowerOff::requestPowerOff()
{
    QProcess::startDetached("sh", {"-c", "sleep 30; systemctl poweroff"});
}
