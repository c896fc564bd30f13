#include "GifWriter.h"

#include <QHash>
#include <QImage>
#include <algorithm>
#include <gif_lib.h>
#include <memory>
#include <stdexcept>
#include <vector>

namespace GifWriter {

namespace {

[[noreturn]] void fail(int error)
{
    const char* reason = GifErrorString(error);
    throw std::runtime_error(std::string("Cannot encode the picture: ") + (reason ? reason : "unknown error"));
}

// giflib hands the encoded bytes here; the caller decides where they go.
int appendBytes(GifFileType* gif, const GifByteType* bytes, int count)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), count);
    return count;
}

// The 256 most used colours, so that the plain colours of lines, texts and backgrounds are
// kept exactly and only the rarest shades (antialiased edges) move to their nearest entry.
QList<QRgb> commonestColours(const QImage& rgb)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            ++counts[line[x] | 0xff000000u];
    }
    QList<std::pair<int, QRgb>> byUse;
    byUse.reserve(counts.size());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        byUse.append({it.value(), it.key()});
    const qsizetype kept = std::min<qsizetype>(byUse.size(), 256);
    // Most used first; equal counts in colour order, so the palette does not depend on hashing.
    const auto moreUsed = [](const auto& a, const auto& b) {
        return a.first > b.first || (a.first == b.first && a.second < b.second);
    };
    std::partial_sort(byUse.begin(), byUse.begin() + kept, byUse.end(), moreUsed);
    QList<QRgb> table;
    for (qsizetype i = 0; i < kept; ++i)
        table.append(byUse[i].second);
    return table;
}

QImage indexedOf(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    return rgb.convertToFormat(QImage::Format_Indexed8, commonestColours(rgb), Qt::ThresholdDither);
}

// giflib takes palettes of 2, 4, ... 256 entries only; the unused ones stay black.
std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> paletteOf(const QImage& indexed)
{
    const QList<QRgb> table = indexed.colorTable();
    int size = 2;
    while (size < table.size())
        size *= 2;
    std::vector<GifColorType> colours(std::size_t(size), GifColorType{0, 0, 0});
    for (int i = 0; i < table.size(); ++i)
        colours[std::size_t(i)] = GifColorType{GifByteType(qRed(table[i])), GifByteType(qGreen(table[i])),
                                               GifByteType(qBlue(table[i]))};
    return {GifMakeMapObject(size, colours.data()), GifFreeMapObject};
}

}  // namespace

QByteArray encode(const QImage& image)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        throw std::runtime_error("Cannot encode the picture: it is empty");
    QImage indexed = indexedOf(image);
    const auto palette = paletteOf(indexed);
    if (!palette)
        fail(E_GIF_ERR_NOT_ENOUGH_MEM);

    QByteArray bytes;
    int error = E_GIF_SUCCEEDED;
    GifFileType* gif = EGifOpen(&bytes, appendBytes, &error);
    if (!gif)
        fail(error);
    const int w = indexed.width();
    const int h = indexed.height();
    bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, palette.get()) != GIF_ERROR &&
              EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) != GIF_ERROR;
    for (int y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, indexed.scanLine(y), w) != GIF_ERROR;
    const int putError = ok ? E_GIF_SUCCEEDED : gif->Error;
    // Closing writes the trailer and frees the encoder in every case.
    const bool closed = EGifCloseFile(gif, &error) != GIF_ERROR;
    if (!ok)
        fail(putError);
    if (!closed)
        fail(error);
    return bytes;
}

}  // namespace GifWriter
