// Where a raster's samples lie: spacing in metres and positions, for every kind of
// georeference.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "elevation/georeference.h"
#include "raster_files.h"

namespace elevation {
namespace {

using testfiles::wktOf;

// The latitude and longitude at the end of a position text ("... 48.5N 9.0E"), signed.
void latLonOf(const std::string& position, double& latitude, double& longitude) {
    const std::size_t lon = position.rfind(' '), lat = position.rfind(' ', lon - 1);
    latitude = std::strtod(position.c_str() + lat + 1, nullptr) * (position[lon - 1] == 'S' ? -1 : 1);
    longitude = std::strtod(position.c_str() + lon + 1, nullptr) * (position.back() == 'W' ? -1 : 1);
}

TEST(Georeference, DegreesAreTheEllipsoidsArcsAtTheirLatitude) {
    // WGS 84's own figures: a degree of latitude at the equator and the pole, of longitude
    // at the equator and at 60 degrees.
    EXPECT_NEAR(metresPerDegreeLatitude(0.0), 110574.0, 1.0);
    EXPECT_NEAR(metresPerDegreeLatitude(90.0), 111694.0, 1.0);
    EXPECT_NEAR(metresPerDegreeLongitude(0.0), 111320.0, 1.0);
    EXPECT_NEAR(metresPerDegreeLongitude(60.0), 55800.0, 5.0);
}

TEST(Georeference, AGeographicGridIsSpacedInMetresAndShowsLatitudeAndLongitude) {
    // An SRTM tile: 3 arc-seconds from 49 N 9 E, pixel centres on whole degrees at its edges.
    constexpr double kCell = 1.0 / 1200;
    const Affine a = {9.0 - kCell / 2, kCell, 0.0, 49.0 + kCell / 2, 0.0, -kCell};
    const Georeference g = Georeference::fromAffine(a, wktOf("EPSG:4326"), 600, 600);
    EXPECT_EQ(g.kind(), Georeference::Kind::kGeographic);
    EXPECT_NEAR(g.rowSpacing(), 92.67, 0.01);      // 111,200 m a degree of latitude at 48.5 N
    EXPECT_NEAR(g.columnSpacing(), 61.58, 0.01);   // 73,900 m a degree of longitude there
    EXPECT_EQ(g.position(600, 600), "48.50000N 9.50000E");
    EXPECT_EQ(g.position(0, 1200), "48.00000N 9.00000E");
    EXPECT_NE(g.summary().find("geographic"), std::string::npos);

    const Affine southWest = {-71.0, kCell, 0.0, -33.0, 0.0, -kCell};
    EXPECT_EQ(Georeference::fromAffine(southWest, wktOf("EPSG:4326"), 0, 0).position(-0.5, -0.5),
              "33.00000S 71.00000W");
}

TEST(Georeference, AProjectedGridIsSpacedInItsUnitsAsMetresAndShowsLatitudeAndLongitudeToo) {
    // UTM zone 32 N: x 500,000 is its central meridian, 9 E.
    const Affine utm = {500000.0, 30.0, 0.0, 5375000.0, 0.0, -30.0};
    const Georeference g = Georeference::fromAffine(utm, wktOf("EPSG:32632"), 10, 10);
    EXPECT_EQ(g.kind(), Georeference::Kind::kProjected);
    EXPECT_DOUBLE_EQ(g.columnSpacing(), 30.0);
    EXPECT_DOUBLE_EQ(g.rowSpacing(), 30.0);
    const std::string position = g.position(-0.5, 99.5);
    EXPECT_EQ(position.rfind("x 500000 y 5372000 ", 0), 0u) << position;
    double latitude = 0.0, longitude = 0.0;
    latLonOf(position, latitude, longitude);
    EXPECT_NEAR(latitude, 48.5, 0.01);
    EXPECT_NEAR(longitude, 9.0, 1e-6);

    // Feet (New York's state plane, in US survey feet).
    const Affine feet = {1000000.0, 100.0, 0.0, 200000.0, 0.0, -100.0};
    EXPECT_NEAR(Georeference::fromAffine(feet, wktOf("EPSG:2263"), 0, 0).columnSpacing(), 30.48006, 1e-5);
}

TEST(Georeference, WithoutACoordinateSystemTheCellsAreTakenAsTheyStand) {
    const Affine a = {100.0, 25.0, 0.0, 900.0, 0.0, -50.0};
    const Georeference unreferenced = Georeference::fromAffine(a, "", 0, 0);
    EXPECT_EQ(unreferenced.kind(), Georeference::Kind::kUnreferenced);
    EXPECT_DOUBLE_EQ(unreferenced.columnSpacing(), 25.0);
    EXPECT_DOUBLE_EQ(unreferenced.rowSpacing(), 50.0);
    EXPECT_EQ(unreferenced.position(1.5, 0.5), "x 150.0 y 850.0");
    EXPECT_EQ(Georeference::fromAffine(a, "not a coordinate system", 0, 0).kind(),
              Georeference::Kind::kUnreferenced);

    const Georeference none;
    EXPECT_EQ(none.kind(), Georeference::Kind::kNone);
    EXPECT_DOUBLE_EQ(none.columnSpacing(), 1.0);
    EXPECT_EQ(none.position(3.0, 4.5), "column 3.0 row 4.5");
    EXPECT_NE(none.summary().find("one unit per pixel"), std::string::npos);
}

}  // namespace
}  // namespace elevation
