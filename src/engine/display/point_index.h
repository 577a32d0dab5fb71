#pragma once

#include <cstdint>
#include <span>
#include <vector>

// A grid of buckets over the data points of a pseudosection, for picking the
// point nearest to a click without visiting every point.
namespace tarvo {

// One point as the index knows it: its coordinate across, its spacing down,
// and the id returned for it (the point's index in the dataset, > 0).
struct IndexSite {
  float x = 0;
  float s = 0;
  int id = 0;
};

class PointIndex {
public:
  // Builds the index over `sites` with the scales of the drawing (pixels per
  // metre across and down): distances are measured in pixels,
  // sqrt(((s - site.s) * vScale)^2 + ((x - site.x) * hScale)^2). Sites must
  // come in ascending order of id; the buckets keep that order.
  void Build(std::span<const IndexSite> sites, double hScale, double vScale);
  void Clear();

  int Size() const { return static_cast<int>(sites_.size()); }

  // Id of the site with the smallest distance to (x, s), the lowest id among
  // equal distances; 0 when the index is empty. There is no distance limit.
  int Nearest(double x, double s) const;

  // Id of the nearest site within `radius` pixels, 0 when none is that close.
  int NearestWithin(double x, double s, double radius) const;

  // The distance of the nearest formula, in pixels.
  double Distance(const IndexSite& site, double x, double s) const;

  // Ids of the sites at exactly (x, s), in ascending order.
  std::vector<int> At(float x, float s) const;

private:
  struct Cell {
    int cx;
    int cy;
  };
  Cell CellOf(double u, double w) const;
  double U(double x) const { return (x - x0_) * hScale_; }
  double W(double s) const { return (s - s0_) * vScaleAbs_; }
  int Search(double x, double s, double limit) const;

  std::vector<IndexSite> sites_;     // in bucket order
  std::vector<std::int32_t> start_;  // first site of each bucket, and the end
  double hScale_ = 1;
  double vScale_ = -1;
  double hScaleAbs_ = 1;
  double vScaleAbs_ = 1;
  double x0_ = 0;   // corner of the bucket grid
  double s0_ = 0;
  double cell_ = 1; // side of a bucket in pixels
  int nx_ = 0;
  int ny_ = 0;
};

}  // namespace tarvo
