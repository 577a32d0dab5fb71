#include "engine/sequences/multichannel_optimiser.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <tuple>
#include <utility>

#include "engine/core/array_types.h"
#include "engine/core/capacities.h"
#include "engine/sequences/electre_sequence_writer.h"
#include "engine/sequences/sequence_optimiser.h"
#include "engine/sequences/syscal_sequence_writer.h"

namespace tarvo {

namespace {

// A current pair whichever way round the current flows.
std::pair<int, int> PairKey(int a, int b) { return {std::min(a, b), std::max(a, b)}; }

// A link of a chain in the coordinates of its group: electrode numbers,
// negated for a chain that runs towards smaller numbers, so that every chain
// runs towards larger coordinates (lo < hi). `source` is the requested
// quadripole, -1 for a dummy dipole.
struct Link {
  int lo = 0;
  int hi = 0;
  int source = -1;
};
using Chain = std::vector<Link>;

struct GroupPlan {
  std::vector<Chain> chains;
  int dummies = 0;
};

bool FewerReadings(const GroupPlan& a, const GroupPlan& b) {
  return a.chains.size() < b.chains.size() || (a.chains.size() == b.chains.size() && a.dummies < b.dummies);
}

// A dummy dipole from w to v (w < v) must not have a current electrode
// between its ends: that channel would straddle the injection.
bool GapIsFree(int w, int v, const std::vector<int>& currents) {
  return std::none_of(currents.begin(), currents.end(), [w, v](int c) { return w < c && c < v; });
}

// Which of the dipoles leaving an electrode start new chains when there are
// more of them than chains arriving with room left.
enum class FreshStarts {
  LongestRuns,   // the dipoles with the longest runs ahead start afresh
  ShortestRuns,  // the dipoles with the shortest runs ahead start afresh
};

// Chains of requested dipoles only, no gap in them, each of at most
// `channels` links. A sweep along the group's coordinates: at every
// electrode the chains that arrive with room left go on with the dipoles
// that leave it, those with the fewest links first (a chain with more room
// can take more later), and every other leaving dipole starts a chain.
std::vector<Chain> GapFreeChains(const std::vector<Link>& links, int channels, FreshStarts rule) {
  const int n = static_cast<int>(links.size());
  const auto at = [](auto& v, int i) -> auto& { return v[static_cast<std::size_t>(i)]; };
  std::vector<int> coords;
  coords.reserve(static_cast<std::size_t>(2 * n));
  for (const Link& l : links) {
    coords.push_back(l.lo);
    coords.push_back(l.hi);
  }
  std::sort(coords.begin(), coords.end());
  coords.erase(std::unique(coords.begin(), coords.end()), coords.end());
  const int vertices = static_cast<int>(coords.size());
  const auto vertex = [&coords](int x) {
    return static_cast<int>(std::lower_bound(coords.begin(), coords.end(), x) - coords.begin());
  };
  // The links leaving and arriving at each electrode: positions
  // starts[v] .. starts[v + 1] of the links sorted by that end (stable, so
  // in sequence order at one electrode).
  std::vector<int> from(static_cast<std::size_t>(n));
  std::vector<int> to(static_cast<std::size_t>(n));
  std::vector<int> leaving(static_cast<std::size_t>(n));
  std::vector<int> arriving(static_cast<std::size_t>(n));
  std::vector<int> leaveStart(static_cast<std::size_t>(vertices) + 1, 0);
  std::vector<int> arriveStart(static_cast<std::size_t>(vertices) + 1, 0);
  for (int i = 0; i < n; ++i) {
    at(from, i) = vertex(at(links, i).lo);
    at(to, i) = vertex(at(links, i).hi);
    ++at(leaveStart, at(from, i) + 1);
    ++at(arriveStart, at(to, i) + 1);
  }
  for (int v = 0; v < vertices; ++v) {
    at(leaveStart, v + 1) += at(leaveStart, v);
    at(arriveStart, v + 1) += at(arriveStart, v);
  }
  {
    std::vector<int> leaveFill(leaveStart.begin(), leaveStart.end() - 1);
    std::vector<int> arriveFill(arriveStart.begin(), arriveStart.end() - 1);
    for (int i = 0; i < n; ++i) {
      at(leaving, at(leaveFill, at(from, i))++) = i;
      at(arriving, at(arriveFill, at(to, i))++) = i;
    }
  }

  // The longest run of requested dipoles that starts with each link.
  std::vector<int> ahead(static_cast<std::size_t>(n), 0);
  std::vector<int> longestFrom(static_cast<std::size_t>(vertices), 0);
  for (int v = vertices - 1; v >= 0; --v) {
    for (int k = at(leaveStart, v); k < at(leaveStart, v + 1); ++k) {
      const int e = at(leaving, k);
      const int run = 1 + at(longestFrom, at(to, e));
      at(ahead, e) = run;
      at(longestFrom, v) = std::max(at(longestFrom, v), run);
    }
  }

  std::vector<int> chainOf(static_cast<std::size_t>(n), -1);
  std::vector<int> length(static_cast<std::size_t>(n), 0);
  std::vector<Chain> chains;
  std::vector<int> open;
  std::vector<int> out;
  for (int v = 0; v < vertices; ++v) {
    open.clear();
    for (int k = at(arriveStart, v); k < at(arriveStart, v + 1); ++k) {
      const int e = at(arriving, k);
      if (at(length, e) < channels) open.push_back(e);
    }
    std::stable_sort(open.begin(), open.end(), [&](int x, int y) { return at(length, x) < at(length, y); });
    out.assign(leaving.begin() + at(leaveStart, v), leaving.begin() + at(leaveStart, v + 1));
    std::stable_sort(out.begin(), out.end(), [&](int x, int y) {
      return rule == FreshStarts::LongestRuns ? at(ahead, x) > at(ahead, y) : at(ahead, x) < at(ahead, y);
    });
    const std::size_t joined = std::min(open.size(), out.size());
    const std::size_t fresh = out.size() - joined;
    for (std::size_t k = 0; k < out.size(); ++k) {
      const int e = out[k];
      int chain = 0;
      if (k < fresh) {
        chain = static_cast<int>(chains.size());
        chains.emplace_back();
        at(length, e) = 1;
      } else {
        const int before = open[k - fresh];
        chain = at(chainOf, before);
        at(length, e) = at(length, before) + 1;
      }
      at(chainOf, e) = chain;
      at(chains, chain).push_back(at(links, e));
    }
  }
  return chains;
}

// Which reading a chain goes behind when several have room for it.
enum class BridgeTo {
  Fullest,  // the reading with the most links
  Nearest,  // the reading that ends closest to the chain's start
};

// Joins chains end to start with a dummy dipole wherever the joined chain
// still fits in one reading: every join saves one reading. Chains are taken
// in order of their start.
GroupPlan BridgeGaps(std::vector<Chain> chains, int channels, const std::vector<int>& currents, BridgeTo rule) {
  std::sort(chains.begin(), chains.end(), [](const Chain& x, const Chain& y) {
    return std::make_pair(x.front().lo, x.back().hi) < std::make_pair(y.front().lo, y.back().hi);
  });
  GroupPlan plan;
  const auto rank = [rule](const Chain& reading) {
    const int links = static_cast<int>(reading.size());
    return rule == BridgeTo::Fullest ? std::make_pair(links, reading.back().hi)
                                     : std::make_pair(reading.back().hi, links);
  };
  for (Chain& chain : chains) {
    const int start = chain.front().lo;
    int best = -1;
    for (int b = 0; b < static_cast<int>(plan.chains.size()); ++b) {
      const Chain& reading = plan.chains[static_cast<std::size_t>(b)];
      const int end = reading.back().hi;
      if (end > start) continue;
      const int links = static_cast<int>(reading.size() + chain.size()) + (end < start ? 1 : 0);
      if (links > channels || !GapIsFree(end, start, currents)) continue;
      if (best < 0 || rank(reading) > rank(plan.chains[static_cast<std::size_t>(best)])) best = b;
    }
    if (best < 0) {
      plan.chains.push_back(std::move(chain));
      continue;
    }
    Chain& reading = plan.chains[static_cast<std::size_t>(best)];
    if (reading.back().hi < start) {
      reading.push_back(Link{reading.back().hi, start, -1});
      ++plan.dummies;
    }
    reading.insert(reading.end(), chain.begin(), chain.end());
  }
  return plan;
}

// No plan for the group needs fewer readings: each reading holds at most
// `channels` dipoles and at most one of the dipoles that overlap at any
// place; when no dipole ends where another starts, every further dipole of
// a reading also takes a dummy, so a reading holds at most (channels + 1) / 2.
int GroupBound(const std::vector<Link>& links, int channels, bool dummies) {
  std::vector<std::pair<int, int>> ends;
  ends.reserve(2 * links.size());
  for (const Link& l : links) {
    ends.emplace_back(l.lo, 1);
    ends.emplace_back(l.hi, -1);
  }
  std::sort(ends.begin(), ends.end());
  int depth = 0;
  int deepest = 0;
  bool touching = false;
  for (std::size_t i = 0; i < ends.size(); ++i) {
    depth += ends[i].second;
    deepest = std::max(deepest, depth);
    if (i > 0 && ends[i].second == 1 && ends[i - 1].second == -1 && ends[i - 1].first == ends[i].first) {
      touching = true;
    }
  }
  const int d = static_cast<int>(links.size());
  const int perReading = touching ? channels : dummies ? (channels + 1) / 2 : 1;
  return std::max(deepest, (d + perReading - 1) / perReading);
}

// Groups of up to this many dipoles are planned exactly.
constexpr int ExactDipoles = 10;
// Rounds of ImproveByWindows over a large group.
constexpr int WindowPasses = 3;
// Moves the repair of the order may weigh in all (about 0.1 s of work).
constexpr long RepairBudget = 4000000;

// The exact plan: over every way to split the dipoles into readings, the
// fewest readings, then the fewest dummies. A reading is a set of dipoles
// that do not overlap, taken in order along the line, with a dummy in every
// gap (gaps only when dummies are allowed and free of current electrodes)
// and at most `channels` links.
GroupPlan ExactPlan(std::vector<Link> links, int channels, bool dummies, const std::vector<int>& currents) {
  std::sort(links.begin(), links.end(),
            [](const Link& x, const Link& y) { return std::make_pair(x.lo, x.hi) < std::make_pair(y.lo, y.hi); });
  const int d = static_cast<int>(links.size());
  const std::size_t sets = std::size_t{1} << d;
  // For every set, in order along the line: fits one reading, its gaps, its last end.
  std::vector<char> fits(sets, 0);
  std::vector<int> gaps(sets, 0);
  std::vector<int> size(sets, 0);
  std::vector<int> lastEnd(sets, 0);
  fits[0] = 1;
  for (std::size_t set = 1; set < sets; ++set) {
    int last = 0;
    while ((set >> (last + 1)) != 0) ++last;
    const std::size_t rest = set & ~(std::size_t{1} << last);
    const Link& l = links[static_cast<std::size_t>(last)];
    size[set] = size[rest] + 1;
    lastEnd[set] = l.hi;
    if (!fits[rest]) continue;
    int gap = 0;
    if (rest != 0) {
      const int end = lastEnd[rest];
      if (l.lo < end) continue;
      if (l.lo > end) {
        if (!dummies || !GapIsFree(end, l.lo, currents)) continue;
        gap = 1;
      }
    }
    gaps[set] = gaps[rest] + gap;
    fits[set] = size[set] + gaps[set] <= channels ? 1 : 0;
  }
  // The sets that fit one reading, by their first dipole: a plan takes the
  // reading that holds the first dipole left, then plans the rest.
  std::vector<std::vector<std::size_t>> readingsFrom(static_cast<std::size_t>(d));
  for (std::size_t set = 1; set < sets; ++set) {
    if (!fits[set]) continue;
    int low = 0;
    while ((set >> low & 1) == 0) ++low;
    readingsFrom[static_cast<std::size_t>(low)].push_back(set);
  }
  // Cost of a plan: readings first, then dummies (never more than d). Only
  // the sets a plan can leave are worked out.
  const int scale = d + 1;
  constexpr int Unknown = -1;
  std::vector<int> cost(sets, Unknown);
  std::vector<std::size_t> first(sets, 0);
  cost[0] = 0;
  const auto plan = [&](const auto& self, std::size_t set) -> int {
    if (cost[set] != Unknown) return cost[set];
    int low = 0;
    while ((set >> low & 1) == 0) ++low;
    int best = 1 << 30;
    for (const std::size_t part : readingsFrom[static_cast<std::size_t>(low)]) {
      if ((part & ~set) != 0) continue;
      const int c = self(self, set ^ part) + scale + gaps[part];
      if (c < best) {
        best = c;
        first[set] = part;
      }
    }
    cost[set] = best;
    return best;
  };
  plan(plan, sets - 1);
  GroupPlan result;
  for (std::size_t set = sets - 1; set != 0; set ^= first[set]) {
    Chain chain;
    for (int i = 0; i < d; ++i) {
      if ((first[set] >> i & 1) == 0) continue;
      const Link& l = links[static_cast<std::size_t>(i)];
      if (!chain.empty() && chain.back().hi < l.lo) {
        chain.push_back(Link{chain.back().hi, l.lo, -1});
        ++result.dummies;
      }
      chain.push_back(l);
    }
    result.chains.push_back(std::move(chain));
  }
  return result;
}

// Improves a plan of a large group piece by piece: the readings taken in
// order of their start, every run of consecutive readings that holds at most
// ExactDipoles dipoles is planned again exactly, and the new plan is kept
// where it needs fewer readings or fewer dummies; as long as that helps.
void ImproveByWindows(GroupPlan& plan, int channels, bool dummies, const std::vector<int>& currents) {
  const auto dipolesOf = [](const Chain& c) {
    return static_cast<int>(std::count_if(c.begin(), c.end(), [](const Link& l) { return l.source >= 0; }));
  };
  const auto dummiesOf = [&dipolesOf](const Chain& c) { return static_cast<int>(c.size()) - dipolesOf(c); };
  for (int pass = 0; pass < WindowPasses; ++pass) {
    bool improved = false;
    std::sort(plan.chains.begin(), plan.chains.end(), [](const Chain& x, const Chain& y) {
      return std::make_pair(x.front().lo, x.back().hi) < std::make_pair(y.front().lo, y.back().hi);
    });
    for (std::size_t i = 0; i + 1 < plan.chains.size(); ++i) {
      std::size_t end = i;
      int dipoles = 0;
      int windowDummies = 0;
      while (end < plan.chains.size() && dipoles + dipolesOf(plan.chains[end]) <= ExactDipoles) {
        dipoles += dipolesOf(plan.chains[end]);
        windowDummies += dummiesOf(plan.chains[end]);
        ++end;
      }
      if (end - i < 2) continue;
      std::vector<Link> window;
      for (std::size_t k = i; k < end; ++k) {
        for (const Link& l : plan.chains[k]) {
          if (l.source >= 0) window.push_back(l);
        }
      }
      GroupPlan better = ExactPlan(std::move(window), channels, dummies, currents);
      const GroupPlan held{std::vector<Chain>(end - i), windowDummies};
      if (!FewerReadings(better, held)) continue;
      plan.dummies += better.dummies - windowDummies;
      plan.chains.erase(plan.chains.begin() + static_cast<std::ptrdiff_t>(i),
                        plan.chains.begin() + static_cast<std::ptrdiff_t>(end));
      plan.chains.insert(plan.chains.begin() + static_cast<std::ptrdiff_t>(i),
                         std::make_move_iterator(better.chains.begin()), std::make_move_iterator(better.chains.end()));
      improved = true;
    }
    if (!improved) break;
  }
}

// The same chains seen from the other end of the line.
std::vector<Link> Mirrored(const std::vector<Link>& links) {
  std::vector<Link> mirrored;
  mirrored.reserve(links.size());
  for (const Link& l : links) mirrored.push_back(Link{-l.hi, -l.lo, l.source});
  return mirrored;
}

std::vector<Chain> MirroredBack(std::vector<Chain> chains) {
  for (Chain& chain : chains) {
    std::reverse(chain.begin(), chain.end());
    for (Link& l : chain) l = Link{-l.hi, -l.lo, l.source};
  }
  return chains;
}

// The fewest readings for the dipoles of one current pair that run one way:
// gap-free chains built from either end of the line with either rule for
// fresh starts, each joined across gaps when dummies are allowed; the plan
// with the fewest readings wins, then the one with the fewest dummies, so a
// dummy is only ever used where no gap-free plan tried reaches as few
// readings. A small group is then planned exactly unless a plan without
// dummies already meets its bound; a large one that misses its bound is
// improved window by window.
GroupPlan PlanGroup(const std::vector<Link>& links, int channels, bool dummies, const std::vector<int>& currents) {
  GroupPlan best;
  bool first = true;
  const auto consider = [&](GroupPlan plan) {
    if (first || FewerReadings(plan, best)) best = std::move(plan);
    first = false;
  };
  const int bound = GroupBound(links, channels, dummies);
  std::vector<int> mirroredCurrents;
  for (const int c : currents) mirroredCurrents.push_back(-c);
  for (const bool fromEnd : {false, true}) {
    for (const FreshStarts rule : {FreshStarts::LongestRuns, FreshStarts::ShortestRuns}) {
      std::vector<Chain> chains =
          fromEnd ? MirroredBack(GapFreeChains(Mirrored(links), channels, rule)) : GapFreeChains(links, channels, rule);
      // Gap-free chains at the bound cannot be bettered.
      if (static_cast<int>(chains.size()) <= bound) return GroupPlan{std::move(chains), 0};
      if (dummies) {
        // Gaps are bridged taking the chains from either end of the line.
        const std::vector<Chain> mirrored = MirroredBack(chains);
        for (const BridgeTo to : {BridgeTo::Fullest, BridgeTo::Nearest}) {
          consider(BridgeGaps(chains, channels, currents, to));
          GroupPlan back = BridgeGaps(mirrored, channels, mirroredCurrents, to);
          back.chains = MirroredBack(std::move(back.chains));
          consider(std::move(back));
        }
      }
      consider(GroupPlan{std::move(chains), 0});
    }
  }
  const bool atBound = static_cast<int>(best.chains.size()) <= bound;
  if (static_cast<int>(links.size()) <= ExactDipoles) {
    if (!atBound || best.dummies > 0) consider(ExactPlan(links, channels, dummies, currents));
  } else if (!atBound) {
    ImproveByWindows(best, channels, dummies, currents);
  }
  return best;
}

// Sign of the way a dipole runs along the cable: +1 towards larger electrode
// numbers, -1 towards smaller ones, 0 for a dipole that cannot be part of a
// chain (an electrode absent, both the same, or a current electrode).
int ChainDirection(int a, int b, int m, int n) {
  if (m == 0 || n == 0 || m == n) return 0;
  for (const int c : {a, b}) {
    if (c != 0 && (c == m || c == n)) return 0;
  }
  return n > m ? 1 : -1;
}

// True when the instrument would take `next` into the reading that ends with
// `last`, a reading of `size` dipoles.
bool ContinuesReading(const TQuadripole& last, int size, const TQuadripole& next, int channels) {
  if (size >= channels || last.A != next.A || last.B != next.B || next.M != last.N) return false;
  const int d = ChainDirection(last.A, last.B, last.M, last.N);
  return d != 0 && d == ChainDirection(next.A, next.B, next.M, next.N);
}

TQuadripole Record(const ChannelReading& r, const ReadingDipole& d) {
  return TQuadripole{static_cast<std::int16_t>(r.A), static_cast<std::int16_t>(r.B), static_cast<std::int16_t>(d.M),
                     static_cast<std::int16_t>(d.N), 1, 0.0f};
}

bool WouldJoin(const ChannelReading& before, const ChannelReading& after, int channels) {
  if (before.dipoles.empty() || after.dipoles.empty()) return false;
  return ContinuesReading(Record(before, before.dipoles.back()), static_cast<int>(before.dipoles.size()),
                          Record(after, after.dipoles.front()), channels);
}

// Orders readings for the rest of the electrodes: an electrode that carried
// current should not be a potential electrode in the next `rest` readings.
// Nor may a reading follow one of the same current pair whose chain it
// continues: the instrument would take the two for one reading.
class RestOrder {
public:
  RestOrder(const std::vector<ChannelReading>& readings, int rest, int channels)
      : readings_(readings), rest_(rest), channels_(channels) {
    potentials_.resize(readings.size());
    for (std::size_t i = 0; i < readings.size(); ++i) {
      std::vector<int>& p = potentials_[i];
      for (const ReadingDipole& d : readings[i].dipoles) {
        if (d.M != 0) p.push_back(d.M);
        if (d.N != 0) p.push_back(d.N);
      }
      std::sort(p.begin(), p.end());
      p.erase(std::unique(p.begin(), p.end()), p.end());
    }
  }

  // True when reading `later` measures on a current electrode of `earlier`.
  bool UsesCurrentOf(int later, int earlier) const {
    const std::vector<int>& p = potentials_[static_cast<std::size_t>(later)];
    const ChannelReading& e = readings_[static_cast<std::size_t>(earlier)];
    for (const int c : {e.A, e.B}) {
      if (c != 0 && std::binary_search(p.begin(), p.end(), c)) return true;
    }
    return false;
  }

  bool Joins(int before, int after) const {
    return WouldJoin(readings_[static_cast<std::size_t>(before)], readings_[static_cast<std::size_t>(after)],
                     channels_);
  }

  // True when the reading at place `at` of the sequence `item(i)` measures on
  // an electrode that carried current in one of the `rest` readings before.
  template <class Item>
  bool ConflictAt(const Item& item, int at) const {
    for (int k = 1; k <= rest_ && at - k >= 0; ++k) {
      if (UsesCurrentOf(item(at), item(at - k))) return true;
    }
    return false;
  }

  int Conflicts(const std::vector<int>& order) const {
    const auto item = [&order](int i) { return order[static_cast<std::size_t>(i)]; };
    int conflicts = 0;
    for (int i = 0; i < static_cast<int>(order.size()); ++i) conflicts += ConflictAt(item, i) ? 1 : 0;
    return conflicts;
  }

  // Greedy: the next reading is the first one, in the given order, that
  // neither measures on an electrode still resting nor continues the chain
  // of the reading before it; when none of the next ScanLimit readings
  // qualifies, the first that does not continue the chain.
  std::vector<int> Greedy(const std::vector<int>& natural, const OptimiserProgress& progress, int done,
                          int total) const {
    const int n = static_cast<int>(natural.size());
    // The readings not yet placed, as a list; index n is its head and end.
    std::vector<int> next(static_cast<std::size_t>(n) + 1);
    std::vector<int> prev(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) {
      next[static_cast<std::size_t>(i)] = (i + 1) % (n + 1);
      prev[static_cast<std::size_t>(i)] = (i + n) % (n + 1);
    }
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(n));
    const auto placed = [&order](int i) { return order[static_cast<std::size_t>(i)]; };
    const int greedySteps = std::max(0, n - TailReadings);
    for (int step = 0; step < greedySteps; ++step) {
      int pick = -1;
      int fallback = -1;
      int scanned = 0;
      for (int c = next[static_cast<std::size_t>(n)]; c != n && scanned < ScanLimit;
           c = next[static_cast<std::size_t>(c)], ++scanned) {
        const int reading = natural[static_cast<std::size_t>(c)];
        if (!order.empty() && Joins(order.back(), reading)) continue;
        order.push_back(reading);
        const bool conflict = ConflictAt(placed, static_cast<int>(order.size()) - 1);
        order.pop_back();
        if (!conflict) {
          pick = c;
          break;
        }
        if (fallback < 0) fallback = c;
      }
      if (pick < 0) pick = fallback >= 0 ? fallback : next[static_cast<std::size_t>(n)];
      order.push_back(natural[static_cast<std::size_t>(pick)]);
      next[static_cast<std::size_t>(prev[static_cast<std::size_t>(pick)])] = next[static_cast<std::size_t>(pick)];
      prev[static_cast<std::size_t>(next[static_cast<std::size_t>(pick)])] = prev[static_cast<std::size_t>(pick)];
      if (progress && (step % 64 == 0 || step + 1 == n)) progress(done + step + 1, total);
    }
    std::vector<int> tail;
    for (int c = next[static_cast<std::size_t>(n)]; c != n; c = next[static_cast<std::size_t>(c)]) {
      tail.push_back(natural[static_cast<std::size_t>(c)]);
    }
    OrderTail(order, tail);
    return order;
  }

  // The last readings of the greedy order are where it runs out of choice;
  // they are ordered by a search over their orders, cut short after
  // TailSearchSteps steps with the best order found so far (which is never
  // worse than the order they came in).
  void OrderTail(std::vector<int>& order, const std::vector<int>& tail) const {
    const int head = static_cast<int>(order.size());
    const int count = static_cast<int>(tail.size());
    // Cost of placing reading r after the order so far: a join counts as
    // more than any number of conflicts.
    const auto cost = [&](int r) {
      int c = 0;
      if (!order.empty() && Joins(order.back(), r)) c += JoinCost;
      order.push_back(r);
      const auto placed = [&order](int i) { return order[static_cast<std::size_t>(i)]; };
      if (ConflictAt(placed, static_cast<int>(order.size()) - 1)) ++c;
      order.pop_back();
      return c;
    };
    std::vector<int> best = tail;
    int bestCost = 0;
    for (const int r : tail) {
      bestCost += cost(r);
      order.push_back(r);
    }
    order.resize(static_cast<std::size_t>(head));
    std::vector<char> used(static_cast<std::size_t>(count), 0);
    long steps = 0;
    const auto search = [&](const auto& self, int placed, int sofar) -> void {
      if (bestCost == 0 || steps > TailSearchSteps) return;
      if (placed == count) {
        bestCost = sofar;
        best.assign(order.begin() + head, order.end());
        return;
      }
      for (int k = 0; k < count; ++k) {
        if (used[static_cast<std::size_t>(k)]) continue;
        ++steps;
        const int r = tail[static_cast<std::size_t>(k)];
        const int c = sofar + cost(r);
        if (c >= bestCost) continue;
        used[static_cast<std::size_t>(k)] = 1;
        order.push_back(r);
        self(self, placed + 1, c);
        order.pop_back();
        used[static_cast<std::size_t>(k)] = 0;
      }
    };
    if (bestCost > 0) search(search, 0, 0);
    order.insert(order.end(), best.begin(), best.end());
  }

  // Where a reading is in conflict, or the instrument would join it to the
  // reading before it, moves that reading or one of its neighbours within
  // `rest` to the place where that helps most; as long as moves help and
  // `budget` (moves weighed) lasts.
  void Repair(std::vector<int>& order, long& budget) const {
    const int n = static_cast<int>(order.size());
    if (n < 2) return;
    for (int pass = 0; pass < RepairPasses && budget > 0; ++pass) {
      bool moved = false;
      for (int at = 0; at < n; ++at) {
        const auto item = [&order](int i) { return order[static_cast<std::size_t>(i)]; };
        const bool joined = at > 0 && Joins(item(at - 1), item(at));
        if (!joined && !ConflictAt(item, at)) continue;
        int bestFrom = -1;
        int bestPlace = -1;
        std::pair<int, int> best{0, 0};  // change of (joins, conflicts)
        for (int q = std::max(0, at - std::max(rest_, 1)); q <= std::min(n - 1, at + rest_); ++q) {
          budget -= n;
          for (int p = 0; p < n; ++p) {
            if (p == q) continue;
            const std::pair<int, int> change = MoveChange(order, q, p);
            if (change < best) {
              best = change;
              bestFrom = q;
              bestPlace = p;
            }
          }
        }
        if (bestFrom < 0) continue;
        const int reading = order[static_cast<std::size_t>(bestFrom)];
        order.erase(order.begin() + bestFrom);
        order.insert(order.begin() + bestPlace, reading);
        moved = true;
      }
      if (!moved) break;
    }
  }

  // A reading in conflict near the end of the order often has nowhere to go
  // without leaving the reading after it in conflict: moves it to its best
  // place anyway and follows with the next reading left in conflict, up to
  // EjectDepth moves, keeping the moves when together they help; as long as
  // `budget` lasts.
  void Eject(std::vector<int>& order, long& budget) const {
    const int n = static_cast<int>(order.size());
    if (n < 2) return;
    std::pair<int, int> state{Joined(order), Conflicts(order)};
    for (int at = 0; at < n && state != std::pair<int, int>{0, 0} && budget > 0; ++at) {
      if (!BadAt(order, at)) continue;
      std::vector<int> trial = order;
      int from = at;
      for (int depth = 0; depth < EjectDepth; ++depth) {
        budget -= 2 * n;  // the moves weighed and the recount
        int bestPlace = -1;
        std::pair<int, int> best{0, 0};
        for (int p = 0; p < n; ++p) {
          if (p == from) continue;
          const std::pair<int, int> change = MoveChange(trial, from, p);
          if (bestPlace < 0 || change < best) {
            best = change;
            bestPlace = p;
          }
        }
        const int reading = trial[static_cast<std::size_t>(from)];
        trial.erase(trial.begin() + from);
        trial.insert(trial.begin() + bestPlace, reading);
        const std::pair<int, int> now{Joined(trial), Conflicts(trial)};
        if (now < state) {
          order = std::move(trial);
          state = now;
          break;
        }
        int next = from;
        while (next < n && !BadAt(trial, next)) ++next;
        if (next >= n) break;
        from = next;
      }
    }
  }

  int Joined(const std::vector<int>& order) const {
    int joined = 0;
    for (std::size_t i = 1; i < order.size(); ++i) joined += Joins(order[i - 1], order[i]) ? 1 : 0;
    return joined;
  }

private:
  // Only so many readings are looked at for the next place, which keeps the
  // ordering linear in the number of readings.
  static constexpr int ScanLimit = 256;
  static constexpr int RepairPasses = 4;
  static constexpr int TailReadings = 10;
  static constexpr int EjectDepth = 6;
  static constexpr long TailSearchSteps = 200000;
  static constexpr int JoinCost = 1 << 20;

  bool BadAt(const std::vector<int>& order, int at) const {
    const auto item = [&order](int i) { return order[static_cast<std::size_t>(i)]; };
    return (at > 0 && Joins(item(at - 1), item(at))) || ConflictAt(item, at);
  }

  // The change of (joins, conflicts) when the reading at q moves to place p.
  // Only the readings whose `rest` readings before them change can change:
  // those up to `rest` after q before the move, and the moved one and those
  // up to `rest` after it afterwards.
  std::pair<int, int> MoveChange(const std::vector<int>& order, int q, int p) const {
    const int n = static_cast<int>(order.size());
    const auto before = [&order](int i) { return order[static_cast<std::size_t>(i)]; };
    const auto withoutQ = [q](int i) { return i < q ? i : i + 1; };   // place in `order` of the i-th without q
    const auto after = [&](int i) { return i == p ? before(q) : before(withoutQ(i < p ? i : i - 1)); };
    const auto placeAfter = [q, p](int i) {  // place after the move of the reading at place i before it
      if (i == q) return p;
      const int w = i < q ? i : i - 1;
      return w < p ? w : w + 1;
    };
    const auto placeBefore = [&](int k) { return k == p ? q : withoutQ(k < p ? k : k - 1); };

    int places[2 * MaxRestReadings + 4];
    int count = 0;
    const auto add = [&](int i) {
      for (int k = 0; k < count; ++k) {
        if (places[k] == i) return;
      }
      places[count++] = i;
    };
    const int window = rest_;
    for (int i = q; i <= std::min(n - 1, q + window); ++i) add(i);
    for (int k = p; k <= std::min(n - 1, p + window); ++k) add(placeBefore(k));
    int conflicts = 0;
    for (int k = 0; k < count; ++k) {
      conflicts += (ConflictAt(after, placeAfter(places[k])) ? 1 : 0) - (ConflictAt(before, places[k]) ? 1 : 0);
    }

    count = 0;
    if (q + 1 < n) add(q + 1);
    add(q);
    if (p + 1 < n) add(placeBefore(p + 1));
    int joins = 0;
    for (int k = 0; k < count; ++k) {
      const int i = places[k];
      const int j = placeAfter(i);
      joins += (j > 0 && Joins(after(j - 1), after(j)) ? 1 : 0) - (i > 0 && Joins(before(i - 1), before(i)) ? 1 : 0);
    }
    return {joins, conflicts};
  }

  const std::vector<ChannelReading>& readings_;
  int rest_;
  int channels_;
  std::vector<std::vector<int>> potentials_;
};

}  // namespace

int ReadingLowerBound(const std::vector<TQuadripole>& quads, int channels) {
  channels = std::clamp(channels, MinOptimiserChannels, MaxOptimiserChannels);
  std::map<std::pair<int, int>, int> dipoles;
  for (const TQuadripole& q : quads) ++dipoles[PairKey(q.A, q.B)];
  int bound = 0;
  for (const auto& [pair, count] : dipoles) bound += (count + channels - 1) / channels;
  return bound;
}

int ChainLowerBound(const std::vector<TQuadripole>& quads, int channels) {
  channels = std::clamp(channels, MinOptimiserChannels, MaxOptimiserChannels);
  std::map<std::pair<int, int>, std::pair<int, int>> written;
  for (const TQuadripole& q : quads) written.try_emplace(PairKey(q.A, q.B), q.A, q.B);
  // Per current pair and way: the ends of its dipoles, +1 where one starts
  // and -1 where one ends.
  std::map<std::tuple<int, int, int>, std::vector<std::pair<int, int>>> ends;
  int bound = 0;
  for (const TQuadripole& q : quads) {
    const auto key = PairKey(q.A, q.B);
    const auto [a, b] = written[key];
    const bool asWritten = q.A == a && q.B == b;
    const int m = asWritten ? q.M : q.N;
    const int n = asWritten ? q.N : q.M;
    const int direction = a == 0 && b == 0 ? 0 : ChainDirection(a, b, m, n);
    if (direction == 0) {
      ++bound;
      continue;
    }
    auto& e = ends[std::make_tuple(key.first, key.second, direction)];
    e.emplace_back(direction * m, 1);
    e.emplace_back(direction * n, -1);
  }
  for (auto& [key, e] : ends) {
    // A dipole that ends where another starts does not overlap it.
    std::sort(e.begin(), e.end());
    int depth = 0;
    int deepest = 0;
    for (const auto& [x, step] : e) {
      depth += step;
      deepest = std::max(deepest, depth);
    }
    const int dipoles = static_cast<int>(e.size() / 2);
    bound += std::max(deepest, (dipoles + channels - 1) / channels);
  }
  return bound;
}

int RestConflicts(const std::vector<ChannelReading>& readings, int rest) {
  std::vector<int> order(readings.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  return RestOrder(readings, std::clamp(rest, 0, MaxRestReadings), MaxOptimiserChannels).Conflicts(order);
}

std::vector<int> InstrumentReadings(const std::vector<TQuadripole>& records, int channels) {
  std::vector<int> reading(records.size(), 0);
  int current = -1;
  int size = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i > 0 && ContinuesReading(records[i - 1], size, records[i], channels)) {
      ++size;
    } else {
      ++current;
      size = 1;
    }
    reading[i] = current;
  }
  return reading;
}

OptimisedSequence OptimiseReadings(const std::vector<TQuadripole>& quads, const OptimiserOptions& options,
                                   const OptimiserProgress& progress) {
  const int channels = std::clamp(options.channels, MinOptimiserChannels, MaxOptimiserChannels);
  const int rest = std::clamp(options.rest, 0, MaxRestReadings);
  const int n = static_cast<int>(quads.size());
  OptimisedSequence result;
  result.quadripoles = n;
  result.lowerBound = ReadingLowerBound(quads, channels);

  // Every current pair is written the way round its first quadripole has
  // it; a quadripole the other way round is measured as its equivalent with
  // both pairs exchanged.
  std::map<std::pair<int, int>, std::pair<int, int>> written;
  for (const TQuadripole& q : quads) written.try_emplace(PairKey(q.A, q.B), q.A, q.B);

  // The groups whose dipoles may share readings: one current pair, one way
  // along the cable, and without sorting one run of consecutive quadripoles.
  struct Group {
    int A = 0;
    int B = 0;
    int direction = 0;
    int run = 0;
    std::vector<Link> links;
  };
  std::vector<Group> groups;
  std::map<std::tuple<int, int, int, int>, int> groupOf;
  std::vector<ChannelReading> readings;
  std::vector<int> readingRun;  // the run of each reading, for the order without sorting
  int run = 0;
  for (int i = 0; i < n; ++i) {
    const TQuadripole& q = quads[static_cast<std::size_t>(i)];
    const auto key = PairKey(q.A, q.B);
    if (i > 0 && PairKey(quads[static_cast<std::size_t>(i - 1)].A, quads[static_cast<std::size_t>(i - 1)].B) != key) {
      ++run;
    }
    const auto [a, b] = written[key];
    const bool asWritten = q.A == a && q.B == b;
    const int m = asWritten ? q.M : q.N;
    const int nn = asWritten ? q.N : q.M;
    const int direction = a == 0 && b == 0 ? 0 : ChainDirection(a, b, m, nn);
    if (direction == 0) {
      readings.push_back(ChannelReading{a, b, {ReadingDipole{m, nn, i}}});
      readingRun.push_back(run);
      continue;
    }
    const int groupRun = options.allowSorting ? 0 : run;
    const auto [it, added] =
        groupOf.try_emplace(std::make_tuple(key.first, key.second, direction, groupRun), static_cast<int>(groups.size()));
    if (added) groups.push_back(Group{a, b, direction, run, {}});
    groups[static_cast<std::size_t>(it->second)].links.push_back(Link{direction * m, direction * nn, i});
  }

  // Half of the progress for the grouping, half for the order.
  const int total = 2 * std::max(n, 1);
  int done = 0;
  if (progress) progress(0, total);
  for (const Group& g : groups) {
    std::vector<int> currents;
    for (const int c : {g.A, g.B}) {
      if (c != 0) currents.push_back(g.direction * c);
    }
    const GroupPlan plan = PlanGroup(g.links, channels, options.allowDummies, currents);
    for (const Chain& chain : plan.chains) {
      ChannelReading reading{g.A, g.B, {}};
      for (const Link& l : chain) {
        reading.dipoles.push_back(ReadingDipole{g.direction * l.lo, g.direction * l.hi, l.source});
      }
      readings.push_back(std::move(reading));
      readingRun.push_back(g.run);
    }
    result.dummyDipoles += plan.dummies;
    done += static_cast<int>(g.links.size());
    if (progress) progress(done, total);
  }

  // The order the readings start from: by current pair (the smaller
  // electrode first) as the injection list sorts them, or by the sequence.
  std::vector<int> natural(readings.size());
  for (std::size_t i = 0; i < natural.size(); ++i) natural[i] = static_cast<int>(i);
  const auto firstSource = [&readings](int r) {
    int first = static_cast<int>(1u << 30);
    for (const ReadingDipole& d : readings[static_cast<std::size_t>(r)].dipoles) {
      if (!d.IsDummy()) first = std::min(first, d.source);
    }
    return first;
  };
  // Within a group, readings that start further along come first, so that
  // no reading continues the chain of the one before it.
  const auto start = [&readings](int r) {
    const ChannelReading& reading = readings[static_cast<std::size_t>(r)];
    const ReadingDipole& d = reading.dipoles.front();
    const int direction = ChainDirection(reading.A, reading.B, d.M, d.N);
    return std::make_pair(direction, -direction * d.M);
  };
  if (options.allowSorting) {
    std::stable_sort(natural.begin(), natural.end(), [&](int x, int y) {
      const ChannelReading& rx = readings[static_cast<std::size_t>(x)];
      const ChannelReading& ry = readings[static_cast<std::size_t>(y)];
      return std::make_tuple(PairKey(rx.A, rx.B), start(x), firstSource(x)) <
             std::make_tuple(PairKey(ry.A, ry.B), start(y), firstSource(y));
    });
  } else {
    std::stable_sort(natural.begin(), natural.end(), [&](int x, int y) {
      return std::make_tuple(readingRun[static_cast<std::size_t>(x)], start(x), firstSource(x)) <
             std::make_tuple(readingRun[static_cast<std::size_t>(y)], start(y), firstSource(y));
    });
  }

  const RestOrder rules(readings, rest, channels);
  std::vector<int> order = natural;
  if (options.allowSorting) {
    order = rules.Greedy(natural, progress, n, total);
    // Enough for a few hundred readings in conflict in a long sequence.
    long budget = RepairBudget;
    rules.Repair(order, budget);
    rules.Eject(order, budget);
  }
  if (progress) progress(total, total);

  result.readings.reserve(order.size());
  for (const int r : order) result.readings.push_back(std::move(readings[static_cast<std::size_t>(r)]));
  result.injections = static_cast<int>(result.readings.size());
  result.conflicts = RestConflicts(result.readings, rest);
  return result;
}

std::vector<TQuadripole> OptimisedRecords(const OptimisedSequence& result, const std::vector<TQuadripole>& quads,
                                          const std::function<float(const TQuadripole&)>& dummyFactor) {
  std::vector<TQuadripole> records;
  for (const ChannelReading& r : result.readings) {
    for (const ReadingDipole& d : r.dipoles) {
      TQuadripole record = Record(r, d);
      if (d.IsDummy()) {
        record.K = dummyFactor ? dummyFactor(record) : 0.0f;
      } else if (d.source < static_cast<int>(quads.size())) {
        const TQuadripole& q = quads[static_cast<std::size_t>(d.source)];
        record.Flag = q.Flag;
        record.K = q.K;
      }
      records.push_back(record);
    }
  }
  return records;
}

std::vector<int> DummyRecordNumbers(const OptimisedSequence& result) {
  std::vector<int> numbers;
  int number = 0;
  for (const ChannelReading& r : result.readings) {
    for (const ReadingDipole& d : r.dipoles) {
      ++number;
      if (d.IsDummy()) numbers.push_back(number);
    }
  }
  return numbers;
}

std::vector<std::string> ReadingLines(const OptimisedSequence& result) {
  std::vector<std::string> lines;
  lines.reserve(result.readings.size());
  for (const ChannelReading& r : result.readings) {
    std::string line = "A " + std::to_string(r.A) + " B " + std::to_string(r.B);
    for (const ReadingDipole& d : r.dipoles) {
      const std::string dipole = std::to_string(d.M) + "-" + std::to_string(d.N);
      line += d.IsDummy() ? " (" + dipole + ")" : " " + dipole;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string OptimiserCountsText(const OptimisedSequence& result) {
  return "Quadripoles - " + std::to_string(result.quadripoles) + "  Injections - " +
         std::to_string(result.injections) + "  Dummy dipoles - " + std::to_string(result.dummyDipoles) +
         "  Conflicts - " + std::to_string(result.conflicts) + "  Lower bound - " + std::to_string(result.lowerBound);
}

std::vector<TQuadripole> OptimiserQuadripoles(const TDataset& ds) {
  const int n = std::min(OptimiserQuadCount(ds), ds.Quads.Size());
  return std::vector<TQuadripole>(ds.Quads.Storage().begin(), ds.Quads.Storage().begin() + std::max(n, 0));
}

float LayoutGeometricFactor(const TDataset& ds, const TQuadripole& q) {
  const int electrodes = std::clamp(static_cast<int>(ds.SeqHeader.ElectrodeTotal), 0, MaxElectrodes);
  const auto x = [&](int e) { return e >= 1 && e <= electrodes ? double{ds.Electrodes[e].X} : 0.0; };
  const auto known = [electrodes](int e) { return e >= 1 && e <= electrodes; };
  if ((!known(q.A) && !known(q.B)) || (!known(q.M) && !known(q.N))) return 0.0f;
  const double k = GeometricFactor(x(q.A), x(q.B), x(q.M), x(q.N),
                                   ElectrodePresence{known(q.A), known(q.B), known(q.M), known(q.N)});
  return std::isfinite(k) ? static_cast<float>(k) : 0.0f;
}

bool WithOptimisedSequence(TDataset& ds, const std::vector<TQuadripole>& records, const std::function<void()>& write) {
  if (records.empty() || static_cast<int>(records.size()) > MaxSequenceRecords) return false;
  struct Kept {
    TSeqHeader seqHeader;
    std::vector<TQuadripole> quads;
    std::int16_t docType;
    std::string fileName;
  };
  Kept kept{ds.SeqHeader, std::move(ds.Quads.Storage()), ds.FileHeader.DocType, ds.FileName};
  ds.Quads.Storage() = records;
  ds.SeqHeader.QuadCount = static_cast<int>(records.size());
  ds.FileHeader.DocType = DocTypeOld;
  const auto restore = [&ds, &kept] {
    ds.SeqHeader = kept.seqHeader;
    ds.Quads.Storage() = std::move(kept.quads);
    ds.FileHeader.DocType = kept.docType;
    ds.FileName = std::move(kept.fileName);
  };
  try {
    write();
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return true;
}

std::optional<OptimisedFormat> OptimisedFormatOf(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".seq") return OptimisedFormat::Syscal;
  if (ext == ".txt") return OptimisedFormat::ElectreII;
  return std::nullopt;
}

bool WriteOptimisedSequence(TDataset& ds, const std::vector<TQuadripole>& records, OptimisedFormat format,
                            const std::string& path, int extraDigits, Messenger& messenger) {
  if (static_cast<int>(records.size()) > MaxSequenceRecords) {
    messenger.Error("Too many quadripoles for a sequence file: " + std::to_string(records.size()) +
                    "\r\nMaximal number - " + std::to_string(MaxSequenceRecords));
    return false;
  }
  bool written = false;
  bool failed = false;  // the writer has told the operator why
  WithOptimisedSequence(ds, records, [&] {
    if (format == OptimisedFormat::Syscal) {
      const SyscalSaveResult r = SaveSyscalSequence(
          ds, SyscalSaveCaller::Merge, false, [&path](const SaveDialogDescription&) { return std::optional(path); },
          messenger);
      written = r.outcome == SaveOutcome::Written;
      failed = r.outcome == SaveOutcome::Failed;
    } else {
      const SaveOutcome r =
          SaveElectreSequence(ds, ElectreSender::None, false, extraDigits,
                              [&path](const SaveDialogDescription&) { return std::optional(path); }, messenger)
              .outcome;
      written = r == SaveOutcome::Written;
      failed = r == SaveOutcome::Failed;
    }
  });
  // The Syscal writer writes nothing, and says nothing, for data opened read-only.
  if (!written && !failed) messenger.Error("Nothing was written to " + path);
  return written;
}

}  // namespace tarvo
