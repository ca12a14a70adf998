#include "ErasureStandards.h"

#include <algorithm>
#include <array>

namespace {

struct Standard {
    const char* label; // UTF-8
    int passes;
};

constexpr std::array<Standard, 8> kStandards{{
    {"HMG Infosec Standard 5 (擦除1次)", 1},
    {"NIST 800-88 (擦除1次)", 1},
    {"Corvel Secure Erase (擦除1次)", 1},
    {"Peter Gutmann's algorithm 2 (擦除2次)", 2},
    {"DoD 5220.22-M (擦除3次)", 3},
    {"U.S. Army AR380-19 (擦除3次)", 3},
    {"DoD 5220.22-M ECE (擦除7次)", 7},
    {"Peter Gutmann's algorithm 35 (擦除35次)", 35},
}};

bool inRange(int index)
{
    return index >= 0 && index < static_cast<int>(kStandards.size());
}

} // namespace

int erasureStandardCount()
{
    return static_cast<int>(kStandards.size());
}

QString erasureStandardLabel(int index)
{
    return inRange(index) ? QString::fromUtf8(kStandards[static_cast<size_t>(index)].label) : QString();
}

int erasureStandardPasses(int index)
{
    return inRange(index) ? kStandards[static_cast<size_t>(index)].passes : 1;
}

int erasureStandardWithPasses(int passes, int current)
{
    const int wanted = std::max(passes, 1);
    if (inRange(current) && kStandards[static_cast<size_t>(current)].passes == wanted)
        return current;
    for (size_t i = 0; i < kStandards.size(); ++i)
        if (kStandards[i].passes == wanted)
            return static_cast<int>(i);
    return -1;
}

QString passCountLabel(int passes)
{
    return QStringLiteral("自定义 (擦除%1次)").arg(std::max(passes, 1));
}

QString erasureLabelForPasses(int index, int passes)
{
    const int standard = erasureStandardWithPasses(passes, index);
    return standard >= 0 ? erasureStandardLabel(standard) : passCountLabel(passes);
}
