#pragma once
#include "Texts.h"

#include <QString>
#include <vector>

// One pyrometric cone and the temperatures at which it bends when the last 100 °C of the
// firing are heated at the two published rates.
struct Cone {
    static constexpr int kSlowRate = 60;   // °C per hour
    static constexpr int kFastRate = 150;  // °C per hour

    QString name;      // "022" … "01", "1" … "10"
    int endAt60 = 0;   // °C
    int endAt150 = 0;  // °C
    // The end temperature at one of the two published rates.
    int endAt(int rate) const { return rate == kSlowRate ? endAt60 : endAt150; }
};

// The cone table shipped beside the program (Cones/cones.csv): lines of "name,°C at 60 °C/h,
// °C at 150 °C/h", with "#" comment lines and a heading line starting with "cone". A file
// that cannot be read or holds a line that is no cone gives no cones at all and says why.
class ConeTable {
public:
    static constexpr int kLowestEnd = 100;   // °C: anything outside is no cone's end
    static constexpr int kHighestEnd = 2000;

    enum class Problem { None, Unreadable, BadLine, NoCones };

    static inline const QString kRelativePath = "Cones/cones.csv";
    static QString PathIn(const QString& appFolder) { return appFolder + "/" + kRelativePath; }
    static ConeTable Load(const QString& path);

    bool ok() const { return problem_ == Problem::None; }
    Problem problem() const { return problem_; }
    const std::vector<Cone>& cones() const { return cones_; }
    const Cone* find(const QString& name) const;
    // What is wrong, in the operator's language and naming the file and the line; empty
    // when the table was read.
    QString ErrorText(const MessageSource& texts) const;

private:
    bool readLine(const QString& line);
    void fail(Problem problem, int lineNumber = 0, const QString& text = QString());

    QString path_;
    std::vector<Cone> cones_;
    Problem problem_ = Problem::None;
    int badLineNumber_ = 0;
    QString badLine_;
};
