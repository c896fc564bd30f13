#pragma once
#include <QByteArray>
#include <QString>

// The frames for heater power 0, output A off and output B off, scrambled from `start`.
QByteArray SafeStateFrames(int start);

// Writes the safe state a few times over about a second: to the port the program shares
// (`sharedFd`, -1 for none) or, where that fails, to the device opened anew. Empty when the
// frames went out, otherwise why they could not.
QString SendSafeState(int sharedFd, const QString& device);

// The device opened anew (its links resolved now) for the controller's line; -1 when it cannot be.
int OpenDevice(const QString& device);

// Appends one time-stamped UTF-8 line to the file, making its folder where it is missing.
void AppendLogLine(const QString& path, const QString& text);
