#pragma once
#include "FaultSupervisor.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

// The shutdown countdown dialog: shown without being modal, so the firing goes on behind it.
class TForm2 : public QDialog, public ShutdownDialogView {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // What the two buttons do (FaultSupervisor::ShutdownNow and CancelShutdown).
    void setHandlers(std::function<void()> shutdownNow, std::function<void()> cancel);

    void showCountdown(const QString& text) override;
    void closeDialog() override;

    void Button1Click();
    void Button2Click();

    QLabel* Label1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

public slots:
    // Escape and the window's close button cancel the shutdown, never just hide the dialog.
    void reject() override;

private:
    std::function<void()> shutdownNow_;
    std::function<void()> cancel_;
};
