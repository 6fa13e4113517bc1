#include "elevation/georeference.h"

#include <ogr_srs_api.h>

#include <cmath>
#include <cstdio>

namespace elevation {

namespace {

constexpr int kX0 = 0, kColumnX = 1, kRowX = 2, kY0 = 3, kColumnY = 4, kRowY = 5;
constexpr double kPixelCentre = 0.5;
constexpr double kPi = 3.14159265358979323846;
constexpr double kDegreesPerRadian = 180.0 / kPi;
constexpr double kRadiansPerDegree = kPi / 180.0;

// Series for the WGS 84 ellipsoid's meridian and parallel arcs per degree.
constexpr double kLatitudeArc[] = {111132.92, -559.82, 1.175, -0.0023};
constexpr double kLongitudeArc[] = {111412.84, -93.5, 0.118};

// Printed with enough digits for about a metre on the ground.
constexpr int kPositionBuffer = 96;

struct SpatialReferenceCloser {
    void operator()(OGRSpatialReferenceH srs) const { OSRDestroySpatialReference(srs); }
};
using SpatialReference = std::unique_ptr<void, SpatialReferenceCloser>;

std::string format(const char* pattern, double a, double b) {
    char text[kPositionBuffer];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

std::string latLonText(double latitude, double longitude) {
    char text[kPositionBuffer];
    std::snprintf(text, sizeof text, "%.5f%c %.5f%c", std::fabs(latitude), latitude < 0 ? 'S' : 'N',
                  std::fabs(longitude), longitude < 0 ? 'W' : 'E');
    return text;
}

}  // namespace

double metresPerDegreeLatitude(double latitude) {
    const double phi = latitude * kRadiansPerDegree;
    return kLatitudeArc[0] + kLatitudeArc[1] * std::cos(2 * phi) + kLatitudeArc[2] * std::cos(4 * phi) +
           kLatitudeArc[3] * std::cos(6 * phi);
}

double metresPerDegreeLongitude(double latitude) {
    const double phi = latitude * kRadiansPerDegree;
    return kLongitudeArc[0] * std::cos(phi) + kLongitudeArc[1] * std::cos(3 * phi) +
           kLongitudeArc[2] * std::cos(5 * phi);
}

Georeference Georeference::fromAffine(const Affine& affine, const std::string& coordinateSystem,
                                      double centreColumn, double centreRow) {
    Georeference g;
    for (int k = 0; k < kAffineTerms; ++k) g.affine_[k] = affine[k];
    // Rotated grids included: the ground length of one column step and one row step.
    const double columnUnits = std::hypot(affine[kColumnX], affine[kColumnY]);
    const double rowUnits = std::hypot(affine[kRowX], affine[kRowY]);
    g.kind_ = Kind::kUnreferenced;
    g.columnSpacing_ = columnUnits;
    g.rowSpacing_ = rowUnits;

    SpatialReference srs(coordinateSystem.empty() ? nullptr : OSRNewSpatialReference(nullptr));
    if (srs) {
        // Only WKT, never "user input": a file could otherwise make GDAL fetch a URL.
        char* wkt = const_cast<char*>(coordinateSystem.c_str());
        if (OSRImportFromWkt(srs.get(), &wkt) != OGRERR_NONE) srs.reset();
    }
    if (!srs) return g;
    OSRSetAxisMappingStrategy(srs.get(), OAMS_TRADITIONAL_GIS_ORDER);
    if (const char* name = OSRGetName(srs.get())) g.name_ = name;

    if (OSRIsGeographic(srs.get())) {
        g.kind_ = Kind::kGeographic;
        g.degreesPerUnit_ = OSRGetAngularUnits(srs.get(), nullptr) * kDegreesPerRadian;
        const double latitude = (affine[kY0] + (centreColumn + kPixelCentre) * affine[kColumnY] +
                                 (centreRow + kPixelCentre) * affine[kRowY]) * g.degreesPerUnit_;
        g.centreLatitude_ = latitude;
        // A step of (dLon, dLat) degrees covers these many metres east and north.
        const double east = metresPerDegreeLongitude(latitude) * g.degreesPerUnit_;
        const double north = metresPerDegreeLatitude(latitude) * g.degreesPerUnit_;
        g.columnSpacing_ = std::hypot(affine[kColumnX] * east, affine[kColumnY] * north);
        g.rowSpacing_ = std::hypot(affine[kRowX] * east, affine[kRowY] * north);
        return g;
    }
    g.kind_ = Kind::kProjected;
    const double metresPerUnit = OSRGetLinearUnits(srs.get(), nullptr);
    g.columnSpacing_ = columnUnits * metresPerUnit;
    g.rowSpacing_ = rowUnits * metresPerUnit;
    if (OSRIsProjected(srs.get())) {
        SpatialReference geographic(OSRCloneGeogCS(srs.get()));
        if (geographic) {
            OSRSetAxisMappingStrategy(geographic.get(), OAMS_TRADITIONAL_GIS_ORDER);
            OGRCoordinateTransformationH transformation = OCTNewCoordinateTransformation(srs.get(), geographic.get());
            if (transformation)
                g.toLatLon_ = std::shared_ptr<void>(transformation, [](void* t) {
                    OCTDestroyCoordinateTransformation(static_cast<OGRCoordinateTransformationH>(t));
                });
        }
    }
    return g;
}

std::string Georeference::summary() const {
    const std::string spacing = format("%.1f x %.1f", columnSpacing_, rowSpacing_);
    const std::string name = name_.empty() ? "" : " (" + name_ + ")";
    switch (kind_) {
        case Kind::kNone:
            return "no georeference: one unit per pixel, heights in the same units";
        case Kind::kUnreferenced:
            return "no coordinate system: cells of " + spacing + " taken as metres";
        case Kind::kGeographic:
            return "geographic" + name + ": cells of " + spacing + " m at latitude " +
                   format("%.2f", centreLatitude_, 0.0);
        case Kind::kProjected:
            return "projected" + name + ": cells of " + spacing + " m";
    }
    return {};
}

std::string Georeference::position(double column, double row) const {
    const double c = column + kPixelCentre, r = row + kPixelCentre;
    double x = affine_[kX0] + c * affine_[kColumnX] + r * affine_[kRowX];
    double y = affine_[kY0] + c * affine_[kColumnY] + r * affine_[kRowY];
    switch (kind_) {
        case Kind::kNone:
            return format("column %.1f row %.1f", column, row);
        case Kind::kUnreferenced:
            return format("x %.1f y %.1f", x, y);
        case Kind::kGeographic:
            return latLonText(y * degreesPerUnit_, x * degreesPerUnit_);
        case Kind::kProjected: {
            const std::string own = format("x %.0f y %.0f", x, y);
            auto* transformation = static_cast<OGRCoordinateTransformationH>(toLatLon_.get());
            if (transformation && OCTTransform(transformation, 1, &x, &y, nullptr))
                return own + " " + latLonText(y, x);
            return own;
        }
    }
    return {};
}

}  // namespace elevation
