#pragma once
#include "Services.h"

#include <QRandomGenerator>
#include <memory>

class QWidget;
class QSoundEffect;

class SystemClock : public Clock {
public:
    double now() const override;
    double monotonicSeconds() const override;
};

class SystemRandom : public Random {
public:
    SystemRandom();
    int uniform(int count) override;

private:
    QRandomGenerator generator_;
};

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    bool askYesNo(const QString& title, const QString& text) override;
    void showMessage(const QString& title, const QString& text) override;
    void showError(const QString& text) override;
    QString openFile(const QString& title, const QString& filter, const QString& defaultExt, const QString& folder,
                     const QString& fileName) override;
    QString saveFile(const QString& title, const QString& filter, const QString& defaultExt, const QString& folder,
                     const QString& fileName) override;
    QColor chooseColor(const QColor& initial) override;
    QString choosePort(const QString& title, const QStringList& lines, const QStringList& ports,
                       const QString& current) override;
    double chooseStartTime(const QString& title, const QStringList& lines, double initial) override;

    // "Programs (*.prg)|*.prg" -> "Programs (*.prg)"; pairs joined by ";;".
    static QString toQtFilter(const QString& filter);

private:
    QString runFileDialog(bool save, const QString& title, const QString& filter, const QString& defaultExt,
                          const QString& folder, const QString& fileName);
    QWidget* parent_;
};

class QtSoundPlayer : public SoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    void play(const QString& path) override;
    void stop() override;

private:
    std::unique_ptr<QSoundEffect> effect_;
};

// Powers the machine off through systemd after a 30-second delay.
class SystemPowerOff : public PowerOff {
public:
    void requestPowerOff() override;
};
