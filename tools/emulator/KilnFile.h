#pragma once
#include "RichKiln.h"
#include "TwoNodeKiln.h"

#include <QString>
#include <variant>

// A kiln file: a small INI file with a [Kiln] section, `model = rich` (the default) or
// `model = two-node`, and the model's parameters by name, numbers always with a point. A
// parameter the file leaves out keeps its shipped value.
namespace KilnFile {

inline const QString kSection = "Kiln";

using Description = std::variant<RichKilnParameters, KilnFactors>;

// Throws std::runtime_error naming the file and what is wrong with it: missing, unreadable,
// without a [Kiln] section, an unknown model or key, a value that is no number or out of range.
Description Read(const QString& path);

}  // namespace KilnFile
