#include "engine/display/point_index.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarvo {

namespace {

constexpr int MaxCellsAcross = 4096;

// Relative slack of the search's stopping test: the bucket coordinates and
// the distance formula round differently in the last bits.
constexpr double Slack = 1e-9;

}  // namespace

void PointIndex::Clear() {
  sites_.clear();
  start_.clear();
  nx_ = ny_ = 0;
}

void PointIndex::Build(std::span<const IndexSite> sites, double hScale, double vScale) {
  Clear();
  hScale_ = hScale;
  vScale_ = vScale;
  hScaleAbs_ = std::fabs(hScale);
  vScaleAbs_ = std::fabs(vScale);
  if (sites.empty()) return;

  double x1 = -std::numeric_limits<double>::infinity();
  double s1 = x1;
  x0_ = std::numeric_limits<double>::infinity();
  s0_ = x0_;
  for (const IndexSite& site : sites) {
    if (!std::isfinite(site.x) || !std::isfinite(site.s)) continue;
    x0_ = std::min(x0_, static_cast<double>(site.x));
    x1 = std::max(x1, static_cast<double>(site.x));
    s0_ = std::min(s0_, static_cast<double>(site.s));
    s1 = std::max(s1, static_cast<double>(site.s));
  }
  if (!std::isfinite(x0_)) x0_ = x1 = s0_ = s1 = 0;

  // About two sites per bucket over the box the sites span.
  const double n = static_cast<double>(sites.size());
  const double across = (x1 - x0_) * hScaleAbs_;
  const double down = (s1 - s0_) * vScaleAbs_;
  const double target = std::max(1.0, n / 2);
  if (across > 0 && down > 0) {
    cell_ = std::sqrt(across * down / target);
  } else {
    cell_ = std::max(across, down) / target;
  }
  if (!(cell_ > 1e-9)) cell_ = 1;
  const double maxCells = 4 * n + 16;
  for (;;) {
    nx_ = static_cast<int>(std::min(across / cell_, double{MaxCellsAcross - 1})) + 1;
    ny_ = static_cast<int>(std::min(down / cell_, double{MaxCellsAcross - 1})) + 1;
    if (static_cast<double>(nx_) * ny_ <= maxCells) break;
    cell_ *= 1.5;
  }

  // Counting sort into the buckets; sites of one bucket keep their order.
  const std::size_t cells = static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_);
  start_.assign(cells + 1, 0);
  std::vector<std::int32_t> bucket(sites.size());
  for (std::size_t i = 0; i < sites.size(); ++i) {
    const Cell c = CellOf(U(sites[i].x), W(sites[i].s));
    bucket[i] = c.cy * nx_ + c.cx;
    ++start_[static_cast<std::size_t>(bucket[i]) + 1];
  }
  for (std::size_t c = 0; c < cells; ++c) start_[c + 1] += start_[c];
  std::vector<std::int32_t> fill(start_.begin(), start_.end() - 1);
  sites_.resize(sites.size());
  for (std::size_t i = 0; i < sites.size(); ++i) {
    sites_[static_cast<std::size_t>(fill[static_cast<std::size_t>(bucket[i])]++)] = sites[i];
  }
}

PointIndex::Cell PointIndex::CellOf(double u, double w) const {
  const auto clampCell = [](double v, int count) {
    if (!(v > 0)) return 0;  // also NaN
    return static_cast<int>(std::min(std::floor(v), static_cast<double>(count - 1)));
  };
  return {clampCell(u / cell_, nx_), clampCell(w / cell_, ny_)};
}

double PointIndex::Distance(const IndexSite& site, double x, double s) const {
  const double dv = (s - site.s) * vScale_;
  const double dh = (x - site.x) * hScale_;
  return std::sqrt(dv * dv + dh * dh);
}

int PointIndex::Search(double x, double s, double limit) const {
  if (sites_.empty()) return 0;
  const Cell c0 = CellOf(U(x), W(s));
  double best = std::numeric_limits<double>::infinity();
  int bestId = 0;
  const auto visit = [&](int cx, int cy) {
    const std::size_t c = static_cast<std::size_t>(cy) * static_cast<std::size_t>(nx_) + static_cast<std::size_t>(cx);
    for (std::int32_t k = start_[c]; k < start_[c + 1]; ++k) {
      const IndexSite& site = sites_[static_cast<std::size_t>(k)];
      const double d = Distance(site, x, s);
      if (d < best || (d == best && site.id < bestId)) {
        best = d;
        bestId = site.id;
      }
    }
  };
  const int rings = std::max({c0.cx, nx_ - 1 - c0.cx, c0.cy, ny_ - 1 - c0.cy});
  for (int r = 0; r <= rings; ++r) {
    const int xa = c0.cx - r;
    const int xb = c0.cx + r;
    const int ya = c0.cy - r;
    const int yb = c0.cy + r;
    for (int cx = std::max(xa, 0); cx <= std::min(xb, nx_ - 1); ++cx) {
      if (ya >= 0) visit(cx, ya);
      if (r > 0 && yb < ny_) visit(cx, yb);
    }
    for (int cy = std::max(ya + 1, 0); cy <= std::min(yb - 1, ny_ - 1); ++cy) {
      if (r > 0 && xa >= 0) visit(xa, cy);
      if (r > 0 && xb < nx_) visit(xb, cy);
    }
    // The click, or its nearest place in the grid's box, lies in the first
    // bucket: every site not visited yet is at least r buckets away.
    const double reach = r * cell_;
    const double enough = std::min(best, limit);
    if (reach > enough + Slack * (1 + enough)) break;
  }
  return best <= limit ? bestId : 0;
}

int PointIndex::Nearest(double x, double s) const {
  return Search(x, s, std::numeric_limits<double>::infinity());
}

int PointIndex::NearestWithin(double x, double s, double radius) const { return Search(x, s, radius); }

std::vector<int> PointIndex::At(float x, float s) const {
  std::vector<int> ids;
  if (sites_.empty()) return ids;
  const Cell c = CellOf(U(x), W(s));
  const std::size_t k = static_cast<std::size_t>(c.cy) * static_cast<std::size_t>(nx_) + static_cast<std::size_t>(c.cx);
  for (std::int32_t i = start_[k]; i < start_[k + 1]; ++i) {
    const IndexSite& site = sites_[static_cast<std::size_t>(i)];
    if (site.x == x && site.s == s) ids.push_back(site.id);
  }
  return ids;
}

}  // namespace tarvo
