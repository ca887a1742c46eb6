// The centre's numbers of a day that no stored telegram carries.

#include "register/registerfiles.h"

#include <algorithm>
#include <vector>

namespace {

// Numbers run on past 999 (counted modulo 1000) as 1000, 1001, ...
struct TNumbering {
    int firstRaw = 0;  // the number the numbering was first seen with
    int first = 0;
    int max = 0;
    int base = 0;  // 1000 for each time the numbers passed 999
    std::vector<int> carried;
};

constexpr int kWrapFrom = 990;  // a fall from here to below kWrapTo is 999 -> 000
constexpr int kWrapTo = 10;

}  // namespace

TRegisterGaps FindRegisterGaps(QList<TRegisterNumbered> telegrams,
                               const TRegisterPreviousDay& previous) {
    std::stable_sort(telegrams.begin(), telegrams.end(),
                     [](const TRegisterNumbered& a, const TRegisterNumbered& b) {
                         return a.time < b.time || (a.time == b.time && a.number < b.number);
                     });
    std::vector<TNumbering> numberings;
    for (int i = 0; i < int(telegrams.size()); ++i) {
        const int n = telegrams.at(i).number;
        if (numberings.empty()) {
            numberings.push_back({n, n, n, 0, {n}});
            continue;
        }
        TNumbering& running = numberings.back();
        int u = running.base + n;
        if (u < running.max) {
            if (running.max % 1000 >= kWrapFrom && n < kWrapTo) {
                running.base += 1000;
                u = running.base + n;
            } else if (n <= running.firstRaw) {
                // A telegram sent again goes before the old numbers go on.
                const bool oldGoesOn = i + 1 < int(telegrams.size()) &&
                                       running.base + telegrams.at(i + 1).number > running.max;
                if (!oldGoesOn) {
                    numberings.push_back({n, n, n, 0, {n}});
                    continue;
                }
            }
        }
        running.carried.push_back(u);
        running.max = std::max(running.max, u);
    }

    TRegisterGaps result;
    result.numberings = int(numberings.size());
    if (numberings.empty())
        return result;
    result.last = numberings.back().max % 1000;
    for (int k = 0; k < int(numberings.size()); ++k) {
        TNumbering& numbering = numberings[size_t(k)];
        int lower = 1;
        if (k == 0) {
            const bool crossesMidnight = numberings.size() > 1 || previous.changed;
            if (previous.exists && crossesMidnight && previous.last < numbering.firstRaw)
                lower = previous.last + 1;
            else if (numberings.size() > 1)
                lower = numbering.first;  // the old numbering's end, begun who knows where
        }
        if (numbering.max < lower)
            continue;
        std::vector<bool> seen(size_t(numbering.max - lower + 1), false);
        for (const int u : numbering.carried)
            if (u >= lower)
                seen[size_t(u - lower)] = true;
        for (int u = lower; u <= numbering.max; ++u) {
            if (seen[size_t(u - lower)])
                continue;
            int end = u;
            while (end + 1 <= numbering.max && !seen[size_t(end + 1 - lower)])
                ++end;
            result.gaps.append({u % 1000, end % 1000, k});
            u = end;
        }
    }
    return result;
}
