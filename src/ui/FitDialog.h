#pragma once
#include "FitJob.h"
#include "KilnFit.h"
#include "TemperatureText.h"
#include "Texts.h"

#include <QDialog>
#include <QTimer>
#include <functional>
#include <vector>

class QCustomPlot;
class QLabel;
class QPushButton;
class QTreeWidget;

// Fits the kiln's model to a firing: the Work tab's recording or a firing of the history.
// The fit runs on a thread of its own; the dialog shows the recorded and the fitted curve,
// how far apart they are and the factors before and after. "Apply" reports the fitted
// factors through factorsChosen and closes; the window puts them into its fields.
class FitDialog : public QDialog {
    Q_OBJECT
public:
    struct Sources {
        // The current recording in °C; may throw std::runtime_error.
        std::function<std::vector<FitSample>()> recording;
        QString historyPath;  // empty or missing: no history
    };
    // What the fit gives: the samples fitted and the fit (or why there is none).
    struct Outcome {
        std::vector<FitSample> samples;
        FitResult result;
        QString error;  // a source that could not be read
    };

    FitDialog(Sources sources, const ModelFactors& current, const TemperatureScale& scale,
              const MessageSource& texts, QWidget* parent = nullptr);
    ~FitDialog() override;

    // Fits the firing of the row chosen; row 0 is the current recording.
    void startFit();
    bool busy() const { return job_.running() || job_.finished(); }
    const Outcome& outcome() const { return outcome_; }
    // The firings offered besides the recording, newest first.
    int firingCount() const { return int(firingIds_.size()); }

    QTreeWidget* firings = nullptr;
    QLabel* listNote = nullptr;  // no history, or it cannot be read
    QPushButton* fit = nullptr;
    QCustomPlot* chart = nullptr;
    QLabel* message = nullptr;  // why there are no numbers
    QLabel* figures = nullptr;  // how close the fit is
    QLabel* factors = nullptr;  // before and after
    QPushButton* apply = nullptr;
    QPushButton* closeButton = nullptr;

    // Closing also stops the work under way.
    void reject() override;

signals:
    void factorsChosen(const ModelFactors& fitted);


private:
    void buildControls();
    void listFirings();
    Outcome fitOf(int row, const QString& unreadable) const;
    void pollJob();
    // The outcome holds factors to offer.
    bool fitted() const;
    void showOutcome();
    void showCurves();
    void showFactors();
    QString verdictText(FitResult::Verdict v) const;

    Sources sources_;
    const ModelFactors current_;
    const TemperatureScale& scale_;
    const MessageSource& texts_;
    std::vector<qint64> firingIds_;
    std::vector<QString> firingUnits_;
    FitJob<Outcome> job_;
    QTimer poll_;
    Outcome outcome_;
};
