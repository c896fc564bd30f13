#pragma once
#include "TwoNodeKiln.h"

#include <QString>

// The model factors of an oven file (MODEL_P_Text, MODEL_I_Text, MODEL_R_Text), with "," or
// "." as decimal separator; a factor the file does not hold keeps its default. Throws
// std::runtime_error naming the file, or the key and the value that is no number.
KilnFactors ReadOvenFactors(const QString& path);
