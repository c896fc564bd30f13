#pragma once
#include <QByteArray>

class QImage;

namespace GifWriter {

// Encodes the image as a single GIF picture. The palette holds the image's 256 most used
// colours (all of them when it has no more); Qt's indexed conversion maps the others to
// their nearest entry, without dithering.
// Throws std::runtime_error with the encoder's reason when encoding fails.
QByteArray encode(const QImage& image);

}  // namespace GifWriter
