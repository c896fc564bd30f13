#pragma once
#include "FitJob.h"
#include "RegulatorTuner.h"
#include "TemperatureText.h"
#include "Texts.h"

#include <QDialog>
#include <QTimer>
#include <optional>

class QCustomPlot;
class QLabel;
class QProgressBar;
class QPushButton;

// Tunes the regulator for the loaded program on the kiln's model. The search runs on a
// thread of its own as soon as the dialog opens; Cancel (or closing the dialog) stops it and
// keeps the best found so far. The dialog shows the program fired on the model with the
// factors before and after, with their figures. "Apply" reports the new factors through
// factorsChosen and closes; the window puts them into its fields.
class TuneDialog : public QDialog {
    Q_OBJECT
public:
    struct Inputs {
        std::optional<ModelFactors> model;  // none: a factor's field holds no number
        PidFactors start;
        ProgramPlan plan;
    };
    struct Outcome {
        TuneResult result;
        TrackedRun before, after;
    };

    TuneDialog(Inputs inputs, const TemperatureScale& scale, const MessageSource& texts, QWidget* parent = nullptr);
    ~TuneDialog() override;

    bool busy() const { return job_.running() || job_.finished(); }
    // The search has ended and its outcome is shown.
    bool done() const { return done_; }
    const Outcome& outcome() const { return outcome_; }

    QProgressBar* progress = nullptr;
    QLabel* message = nullptr;  // what is going on, or why there is nothing to tune
    QCustomPlot* chart = nullptr;      // set point and kiln
    QCustomPlot* deviation = nullptr;  // kiln − set point, where the difference shows
    QLabel* figures = nullptr;  // factors and figures before and after
    QPushButton* cancel = nullptr;
    QPushButton* apply = nullptr;
    QPushButton* closeButton = nullptr;

    // Closing also stops the work under way.
    void reject() override;

signals:
    void factorsChosen(const PidFactors& tuned);


private:
    void buildControls();
    // Why there is nothing to tune (shown instead); empty: tune.
    QString problem() const;
    void startTuning();
    void pollJob();
    void showOutcome();
    void showCurves();
    void showFigures();
    QString correctionName(int corr) const;

    const Inputs inputs_;
    const TemperatureScale& scale_;
    const MessageSource& texts_;
    FitJob<Outcome> job_;
    QTimer poll_;
    Outcome outcome_;
    bool done_ = false;
};
