#pragma once
#include "KilnState.h"
#include "Services.h"
#include "Texts.h"
#include "ThermalModel.h"

class QLineEdit;

// The model factors the simulator reads every cycle.
struct SimulatorView {
    QLineEdit* MODEL_P = nullptr;  // power gain of the heated node
    QLineEdit* MODEL_I = nullptr;  // loss to the ambient
    QLineEdit* MODEL_R = nullptr;  // exchange between the two nodes

    // The factors as the fields hold them; a field that holds no number turns red and gives
    // the simulator's default.
    ModelFactors factors() const;
};

// Stands in for the controller: steps the thermal model and delivers the measurements the
// controller would, with its noise and quantisation.
class Simulator {
public:
    static constexpr double kStartTemp = 25.5;
    static constexpr double kDefaultP = 0.02;
    static constexpr double kDefaultI = 0.005;
    static constexpr double kDefaultR = 0.003;
    static constexpr int kSubSteps = 13;
    // One count of the controller's thermocouple reading, in °C.
    static constexpr double kQuantum = 1.46484375;

    Simulator(KilnState& state, Random& random, EventLogWriter& log, const SimulatorView& view);

    // Start-up temperatures of the model and the ambient.
    void ModelInit();
    // One simulator step at the start of a control cycle; does nothing while the last
    // measurements have not been taken up.
    void Sim_Work();

    // The model keeps its heat across firings; nothing resets it after ModelInit.
    double ModelHeaterT = 0;
    double ModelChamberT = 0;
    double SimAmbient = 0;

private:
    KilnState& state_;
    Random& random_;
    EventLogWriter& log_;
    SimulatorView view_;
};

// Timer intervals of the simulator mode: the simulated kiln runs SimSpeed times faster.
struct SimulatorTiming {
    static constexpr int kControllerHardwareMs = 100;
    static constexpr int kControllerInterfaceMs = 2000;
    static constexpr double kDefaultSpeed = 10;

    double SimSpeed = kDefaultSpeed;
    int HardwareInterval = 10;    // ms
    int InterfaceInterval = 200;  // ms

    // Intervals for a speed; a speed that is not positive counts as 1, and no interval
    // is shorter than 1 ms.
    static SimulatorTiming forSpeed(double simSpeed);
    // Reads SIM_SPEED (no number: 10). A speed that is not positive would stop the timers,
    // so it counts as 1 and the field is marked red.
    static SimulatorTiming read(QLineEdit* SIM_SPEED);
};
