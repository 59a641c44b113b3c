#include "sequence_diff.h"

#include <algorithm>
#include <cstddef>

namespace qdf {

namespace {

using Index = std::ptrdiff_t;
using EqualFn = std::function<bool(std::size_t, std::size_t)>;

// Each search for a middle point stops after this many comparisons' worth of
// steps (but never before kMinSteps), and splits at the furthest point it
// reached instead.
constexpr Index kWorkPerSplit = Index{1} << 26;
constexpr Index kMinSteps = 256;

// Old [a0, a1) against new [b0, b1); or, with keeps, a1 - a0 pairs to keep.
struct Work {
    Index a0, a1, b0, b1;
    bool keeps;
};

struct Point {
    Index x, y;
};

class Aligner {
  public:
    Aligner(const EqualFn& equal, std::vector<Edit>& out) : m_equal(equal), m_out(out) {}

    void Run(Index oldCount, Index newCount) {
        m_stack.push_back({0, oldCount, 0, newCount, false});
        while (!m_stack.empty()) {
            const Work work = m_stack.back();
            m_stack.pop_back();
            if (work.keeps) {
                for (Index i = 0; i < work.a1 - work.a0; ++i)
                    Emit(EditKind::Keep, work.a0 + i, work.b0 + i);
            } else {
                Align(work);
            }
        }
    }

  private:
    bool Same(Index a, Index b) const {
        return m_equal(static_cast<std::size_t>(a), static_cast<std::size_t>(b));
    }
    void Emit(EditKind kind, Index a, Index b) {
        m_out.push_back({kind, static_cast<std::size_t>(a), static_cast<std::size_t>(b)});
    }
    void Replace(Index a0, Index a1, Index b0, Index b1) {
        for (Index a = a0; a < a1; ++a)
            Emit(EditKind::Remove, a, b0);
        for (Index b = b0; b < b1; ++b)
            Emit(EditKind::Insert, a1, b);
    }

    // Emits the common front, queues the common end, and splits what lies
    // between at a point of a shortest path through it.
    void Align(Work w) {
        while (w.a0 < w.a1 && w.b0 < w.b1 && Same(w.a0, w.b0)) {
            Emit(EditKind::Keep, w.a0, w.b0);
            ++w.a0;
            ++w.b0;
        }
        Index common = 0;
        while (w.a1 - common > w.a0 && w.b1 - common > w.b0 &&
               Same(w.a1 - common - 1, w.b1 - common - 1))
            ++common;
        m_stack.push_back({w.a1 - common, w.a1, w.b1 - common, w.b1, true});
        w.a1 -= common;
        w.b1 -= common;
        if (w.a0 == w.a1 || w.b0 == w.b1) {
            Replace(w.a0, w.a1, w.b0, w.b1);
            return;
        }
        const Point split = Middle(w);
        const Index n = w.a1 - w.a0;
        const Index m = w.b1 - w.b0;
        if ((split.x == 0 && split.y == 0) || (split.x == n && split.y == m)) {
            Replace(w.a0, w.a1, w.b0, w.b1);
            return;
        }
        m_stack.push_back({w.a0 + split.x, w.a1, w.b0 + split.y, w.b1, false});
        m_stack.push_back({w.a0, w.a0 + split.x, w.b0, w.b0 + split.y, false});
    }

    // Searches from both corners at once for where the forward and backward
    // paths of a shortest edit script meet, and returns that point relative
    // to (a0, b0). Both ends of the range differ, so the point is inside.
    Point Middle(const Work& w) {
        const Index n = w.a1 - w.a0;
        const Index m = w.b1 - w.b0;
        const Index maxD = (n + m + 1) / 2;
        const Index steps = std::min(maxD, std::max(kMinSteps, kWorkPerSplit / (n + m)));
        // Diagonals run from -steps to steps.
        const Index offset = steps + 1;
        m_forward.assign(static_cast<std::size_t>(2 * offset + 1), -1);
        m_backward.assign(m_forward.size(), -1);
        Index* vf = m_forward.data() + offset;
        Index* vb = m_backward.data() + offset;
        vf[1] = 0;
        vb[1] = 0;
        const Index delta = n - m;
        const bool front = (delta % 2) != 0;
        // Diagonals found to leave the grid are not walked again.
        Index fStart = 0, fEnd = 0, bStart = 0, bEnd = 0;
        for (Index d = 0; d < steps; ++d) {
            for (Index k = -d + fStart; k <= d - fEnd; k += 2) {
                Index x =
                    (k == -d || (k != d && vf[k - 1] < vf[k + 1])) ? vf[k + 1] : vf[k - 1] + 1;
                Index y = x - k;
                while (x < n && y < m && Same(w.a0 + x, w.b0 + y)) {
                    ++x;
                    ++y;
                }
                vf[k] = x;
                if (x > n) {
                    fEnd += 2;
                } else if (y > m) {
                    fStart += 2;
                } else if (front) {
                    const Index kb = delta - k;
                    if (kb >= -offset && kb <= offset && vb[kb] != -1 && x >= n - vb[kb])
                        return {x, y};
                }
            }
            for (Index k = -d + bStart; k <= d - bEnd; k += 2) {
                Index x =
                    (k == -d || (k != d && vb[k - 1] < vb[k + 1])) ? vb[k + 1] : vb[k - 1] + 1;
                Index y = x - k;
                while (x < n && y < m && Same(w.a1 - 1 - x, w.b1 - 1 - y)) {
                    ++x;
                    ++y;
                }
                vb[k] = x;
                if (x > n) {
                    bEnd += 2;
                } else if (y > m) {
                    bStart += 2;
                } else if (!front) {
                    const Index kf = delta - k;
                    if (kf >= -offset && kf <= offset && vf[kf] != -1 && vf[kf] >= n - x)
                        return {vf[kf], vf[kf] - kf};
                }
            }
        }
        return Furthest(vf, steps - 1, n, m);
    }

    // The forward point after d steps that is furthest from the start, on
    // the grid: a split that a shortest path need not pass through, but that
    // every path from the start can reach.
    static Point Furthest(const Index* vf, Index d, Index n, Index m) {
        Point best{0, 0};
        for (Index k = -d; k <= d; k += 2) {
            const Index x = vf[k];
            const Index y = x - k;
            if (x < 0 || x > n || y < 0 || y > m) continue;
            if (x + y > best.x + best.y) best = {x, y};
        }
        return best;
    }

    const EqualFn& m_equal;
    std::vector<Edit>& m_out;
    std::vector<Work> m_stack;
    std::vector<Index> m_forward;
    std::vector<Index> m_backward;
};

}  // namespace

std::vector<Edit> AlignSequences(std::size_t oldCount, std::size_t newCount, const EqualFn& equal) {
    std::vector<Edit> edits;
    Aligner(equal, edits).Run(static_cast<Index>(oldCount), static_cast<Index>(newCount));
    // Two regions split apart may meet with an insertion before a removal:
    // each run of changes removes first, as diff shows it.
    for (auto run = edits.begin(); run != edits.end();) {
        const auto isKeep = [](const Edit& edit) { return edit.kind == EditKind::Keep; };
        run = std::find_if_not(run, edits.end(), isKeep);
        const auto end = std::find_if(run, edits.end(), isKeep);
        std::stable_partition(run, end,
                              [](const Edit& edit) { return edit.kind == EditKind::Remove; });
        run = end;
    }
    return edits;
}

}  // namespace qdf
