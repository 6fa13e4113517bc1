// Where a raster's samples lie on the ground: the spacing between them in metres, and the
// coordinates of any pixel for display.
#pragma once

#include <memory>
#include <string>

namespace elevation {

// GDAL's affine georeference of a grid: x = a[0] + column * a[1] + row * a[2] and
// y = a[3] + column * a[4] + row * a[5], for the corner of pixel (column, row).
constexpr int kAffineTerms = 6;
using Affine = double[kAffineTerms];

class Georeference {
public:
    enum class Kind {
        kNone,          // no georeference at all: one unit per pixel
        kUnreferenced,  // an affine transform without a coordinate system: its units taken as metres
        kGeographic,    // longitude and latitude
        kProjected,     // a map projection in metres, feet, ...
    };

    // No georeference: one unit per pixel.
    Georeference() = default;
    // From the affine transform of a north-up grid and its coordinate system in any form GDAL
    // understands (WKT, "EPSG:32632", ...; empty for none). A geographic raster's spacing is
    // measured at the latitude of pixel (centreColumn, centreRow).
    static Georeference fromAffine(const Affine& affine, const std::string& coordinateSystem,
                                   double centreColumn, double centreRow);

    Kind kind() const { return kind_; }
    // Ground distance between neighbouring columns and between neighbouring rows: metres, or
    // units without a georeference.
    double columnSpacing() const { return columnSpacing_; }
    double rowSpacing() const { return rowSpacing_; }
    // One line for the console: the kind, the coordinate system's name and the spacing.
    std::string summary() const;
    // The position of a point given in pixel coordinates (0 at the centre of the first
    // pixel): latitude and longitude where known, the raster's own coordinates otherwise.
    std::string position(double column, double row) const;

private:
    Kind kind_ = Kind::kNone;
    double affine_[kAffineTerms] = {0, 1, 0, 0, 0, 1};
    double columnSpacing_ = 1.0, rowSpacing_ = 1.0;
    double centreLatitude_ = 0.0;
    double degreesPerUnit_ = 1.0;   // geographic: angular unit in degrees
    std::string name_;
    std::shared_ptr<void> toLatLon_;   // projected: a transformation to longitude and latitude
};

// Metres per degree of latitude and of longitude at `latitude` (degrees) on the WGS 84
// ellipsoid.
double metresPerDegreeLatitude(double latitude);
double metresPerDegreeLongitude(double latitude);

}  // namespace elevation
