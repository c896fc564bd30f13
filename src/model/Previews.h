#pragma once
#include "KilnState.h"
#include "Texts.h"

#include <QPointer>
#include <QString>
#include <array>
#include <functional>

class ProgramTable;
class QCPGraph;
class QCPTextElement;
class QCustomPlot;
class QLineEdit;
class RadioGroup;

// The controls the kiln-tab previews read and draw on.
struct PreviewsView {
    QCustomPlot* Chart3 = nullptr;
    QLineEdit* MODEL_P = nullptr;
    QLineEdit* MODEL_I = nullptr;
    QLineEdit* MODEL_R = nullptr;
    QLineEdit* MODELPOWER = nullptr;
    QLineEdit* PID_P = nullptr;
    QLineEdit* PID_I = nullptr;
    QLineEdit* PID_D = nullptr;
    RadioGroup* PID_CORR = nullptr;  // null: correction "small"
};

struct PreviewsHooks {
    std::function<QString()> ovenFileName;  // the chart's title
    std::function<void()> setOvenChanged;   // marks the oven configuration edited
};

// The model preview (heating and cooling at a fixed power) and the regulator preview (the
// firing program against the model with the PID regulator) on Chart3. Both run on private
// copies of the model and regulator state: the kiln and a running firing are never touched.
class Previews {
public:
    static constexpr int kSeriesCount = 4;
    static constexpr double kStartTemp = 25.5;
    static constexpr double kStep = 2.0 / 86400;    // days
    static constexpr double kPhase = 5.0 / 24;      // each model preview phase, days
    static constexpr double kMaxProgram = 10.0;     // longest regulator preview, days
    static constexpr double kHeadroom = 10;
    static constexpr double kSpinFactor = 1.2;

    Previews(KilnState& state, const MessageSource& texts, const ProgramTable& program, const PreviewsView& view,
             PreviewsHooks hooks = {});
    ~Previews();
    Previews(const Previews&) = delete;
    Previews& operator=(const Previews&) = delete;

    void DrawModel();
    void DrawTestProgram();
    // Change handler of the oven fields and of PID_CORR.
    void MODEL_PChange();
    void OvenClearClick();

    void SpinButton1UpClick();    // PID_P
    void SpinButton1DownClick();
    void SpinButton2UpClick();    // PID_I
    void SpinButton2DownClick();
    void SpinButton3UpClick();    // PID_D
    void SpinButton3DownClick();
    void SpinButton4UpClick();    // MODEL_I
    void SpinButton4DownClick();
    void SpinButton5UpClick();    // MODEL_R
    void SpinButton5DownClick();
    void SpinButton6UpClick();    // MODEL_P
    void SpinButton6DownClick();

    void SetTitle(const QString& title);
    QString title() const;
    QCPGraph* graph(int series) const { return graphs_.at(std::size_t(series)); }
    int pointCount(int series) const;

private:
    struct Builder;

    void begin();
    void finish(Builder& b);
    void spin(QLineEdit* field, bool up);

    KilnState& state_;
    const MessageSource& texts_;
    const ProgramTable& program_;
    PreviewsView view_;
    PreviewsHooks hooks_;
    QPointer<QCustomPlot> plot_;
    QCPTextElement* title_ = nullptr;
    std::array<QCPGraph*, kSeriesCount> graphs_{};
};
