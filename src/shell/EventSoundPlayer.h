#pragma once
#include "KilnState.h"
#include "Services.h"

#include <QString>
#include <array>
#include <functional>

class QLineEdit;

// The six event sounds: the files named in WAV1 … WAV6. Sounds 1..5 are played by program
// lines, sound 6 is the alarm. A bare or relative name is looked up in the program folder's
// Sounds/. A sound that cannot be played is silent: nothing is shown or logged.
class EventSoundPlayer {
public:
    using Fields = std::array<QLineEdit*, 6>;  // WAV1 … WAV6
    // The sound file dialog, opened in `folder` with `fileName` preselected; empty: cancelled.
    using ChooseFile = std::function<QString(const QString& folder, const QString& fileName)>;

    EventSoundPlayer(const KilnState& state, SoundPlayer& player, Fields fields, ChooseFile chooseFile);

    // Plays sound n in the background; n outside 1..6 does nothing.
    void PlaySound(int n);
    // Stops the player, once a sound has been started.
    void StopPlayer();
    // The "..." button of sound n: the chosen file goes into its field with its full path.
    void Button14Click(int n);

    // The file sound n plays: empty for no field or an empty one.
    QString SoundFile(int n) const;
    QString SoundFolder() const;
    bool SoundStarted() const { return soundStarted_; }

private:
    QLineEdit* field(int n) const;

    const KilnState& state_;
    SoundPlayer& player_;
    Fields fields_;
    ChooseFile chooseFile_;
    bool soundStarted_ = false;
};
