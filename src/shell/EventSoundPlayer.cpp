#include "EventSoundPlayer.h"

#include "ProgramFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

EventSoundPlayer::EventSoundPlayer(const KilnState& state, SoundPlayer& player, Fields fields, ChooseFile chooseFile)
    : state_(state), player_(player), fields_(fields), chooseFile_(std::move(chooseFile))
{
}

QLineEdit* EventSoundPlayer::field(int n) const { return n >= 1 && n <= 6 ? fields_[n - 1] : nullptr; }

QString EventSoundPlayer::SoundFolder() const
{
    return ProgramFolders::readableFolder(state_.AppFolder, state_.SharedFolder, "Sounds");
}

QString EventSoundPlayer::SoundFile(int n) const
{
    const QLineEdit* f = field(n);
    const QString name = f ? f->text().trimmed() : QString();
    if (name.isEmpty())
        return QString();
    // The defaults are bare names; the program folder (or the shared one) ships files of those
    // names.
    return QFileInfo(name).isRelative() ? ProgramFolders::readable(state_.AppFolder, state_.SharedFolder, "Sounds/" + name)
                                        : name;
}

void EventSoundPlayer::PlaySound(int n)
{
    const QString file = SoundFile(n);
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return;
    player_.play(file);
    soundStarted_ = true;
}

void EventSoundPlayer::StopPlayer()
{
    if (soundStarted_)
        player_.stop();
}

void EventSoundPlayer::Button14Click(int n)
{
    QLineEdit* f = field(n);
    if (!f)
        return;
    const QString chosen = chooseFile_(SoundFolder(), SoundFile(n));
    if (!chosen.isEmpty())
        f->setText(QDir::cleanPath(QFileInfo(chosen).absoluteFilePath()));
}
