#include "app/world_scenery.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <map>
#include <thread>

#include "app/fan_bridge.h"
#include "app/flyover_frame.h"
#include "app/frame_node.h"
#include "app/terrain_texture.h"
#include "world/tile_streaming.h"

namespace flyover {

namespace {

// How long the start waits for the coarsest tile, and how often it looks.
constexpr int kStartPolls = 60000;
constexpr auto kStartPoll = std::chrono::milliseconds(1);

using Slot = std::array<int, 3>;
Slot slotOf(const world::TileKey& key) { return {key.level, key.column, key.row}; }

std::string tileName(const world::TileKey& key) {
    return std::to_string(key.level) + "/" + std::to_string(key.column) + "_" + std::to_string(key.row);
}

template <class Sample>
class TiledScenery : public WorldScenery {
public:
    TiledScenery(irr::video::IVideoDriver* driver, const std::filesystem::path& folder, const world::WorldIndex& index,
                 double exaggeration, std::size_t memoryBytes)
        : driver_(driver), index_(index), lowest_(index.lowest * exaggeration),
          highest_(index.highest * exaggeration) {
        const world::WorldLevel& level0 = index.levels[0];
        // Centred on the origin, as a single map is: the padded world's middle sample at (0, 0).
        const double half = (index.paddedSide() - 1) / 2.0;
        world_ = {-half * level0.cellX, half * level0.cellZ, level0.cellX, level0.cellZ};
        placement_.x0 = world_.x0;
        placement_.z0 = world_.z0;
        placement_.xPerColumn = level0.cellX;
        placement_.zPerRow = -level0.cellZ;
        placement_.columns = index.extentColumns;
        placement_.rows = index.extentRows;
        typename world::TileStreaming<Sample>::Hooks hooks;
        hooks.arrived = [this](const world::TileKey& key, elevation::RgbImage& image) { arrived(key, image); };
        hooks.released = [this](const world::TileKey& key) { released(key); };
        hooks.failed = [this](const world::TileKey& key, const std::string& problem) {
            failed_ = problem;
            std::cerr << "flyover: warning: tile " << tileName(key) << ": " << problem << "; its parent is drawn"
                      << std::endl;
        };
        const auto read = [folder, index](const world::TileKey& key, std::vector<Sample>& grid,
                                          elevation::RgbImage& texture) {
            if (std::string problem = world::readTileHeights(folder, index, key, grid); !problem.empty())
                return problem;
            // A tile without its texture is drawn untextured; arrived() says so.
            if (!elevation::readImageFile(world::tileTexturePath(folder, key).string(), kTextureLimits, texture).empty())
                texture = elevation::RgbImage();
            return std::string();
        };
        streaming_ = std::make_unique<world::TileStreaming<Sample>>(index, world_, static_cast<float>(exaggeration),
                                                                     memoryBytes, read, hooks);
    }
    ~TiledScenery() override {
        frame_.remove();
        streaming_.reset();   // the loader stops before the textures go
        for (auto& entry : textures_)
            if (entry.second) driver_->removeTexture(entry.second);
    }

    bool start(std::string& problem) override {
        world::TileChoiceView view;
        view.farDistance = placement_.diagonal();
        const int coarsest = static_cast<int>(index_.levels.size()) - 1;
        for (int poll = 0; poll < kStartPolls; ++poll) {
            streaming_->update(view);
            if (textures_.count({coarsest, 0, 0})) return true;
            if (!failed_.empty()) break;
            std::this_thread::sleep_for(kStartPoll);
        }
        problem = failed_.empty() ? "the world's coarsest tile took too long to load" : failed_;
        return false;
    }
    long tilesHeld() const override { return static_cast<long>(streaming_->tilesHeld()); }
    long tilesLoaded() const override { return streaming_->tilesLoaded(); }
    std::size_t tileBytes() const override { return streaming_->bytesHeld(); }

    const RasterPlacement& placement() const override { return placement_; }

    float groundHeight(double x, double z) override {
        const float ground = streaming_->groundHeight(x, z);
        return ground == kalde::kAbsent ? static_cast<float>(lowest_) : ground;
    }

    long addFrame(irr::scene::ISceneManager* sceneManager, const FrameView& view,
                  const irr::video::SMaterial& look) override {
        world::TileChoiceView choice;
        choice.column = placement_.columnAt(view.eye.x);
        choice.row = placement_.rowAt(view.eye.z);
        choice.altitude = std::max(0.0, view.eye.y - groundHeight(view.eye.x, view.eye.z));
        choice.farDistance = view.farDistance;
        const std::vector<const world::TileMap<Sample>*>& chosen = streaming_->update(choice);

        world::PassView pass;
        pass.resolution = kResolution;
        pass.eye[0] = static_cast<float>(view.eye.x);
        pass.eye[1] = static_cast<float>(view.eye.y);
        pass.eye[2] = static_cast<float>(view.eye.z);
        pass.direction[0] = static_cast<float>(view.direction.x);
        pass.direction[1] = static_cast<float>(view.direction.y);
        pass.direction[2] = static_cast<float>(view.direction.z);
        pass.fovDegrees = static_cast<float>(view.fovDegrees * kLodFovFactor);
        pass.aspect = view.aspect;
        pass.nearDistance = view.nearDistance;
        pass.farDistance = view.farDistance;
        // Only the tiles the camera can see: the engine's own view is wider, for its level
        // of detail, and would draw the tiles beside and behind the camera too.
        world::PassView camera = pass;
        camera.fovDegrees = view.fovDegrees;
        tiles_.clear();
        for (const world::TileMap<Sample>* tile : chosen)
            if (world::tileInView(*tile, camera, static_cast<float>(lowest_), static_cast<float>(highest_)))
                tiles_.push_back(tile);
        const std::vector<const world::TileMap<Sample>*>& tiles = tiles_;

        const int T = index_.tileSide;
        // Each tile's buffers carry its texture; the frame's mesh holds them all.
        std::size_t firstBuffer = 0;
        const auto finishTile = [&](const world::TileMap<Sample>& tile) {
            bridge.frameFullBuffers.push_back(bridge.frameMeshBuffer);
            irr::video::SMaterial material = look;
            material.setTexture(0, textures_[slotOf(tile.key)]);
            for (std::size_t b = firstBuffer; b < bridge.frameFullBuffers.size(); ++b) bridge.frameFullBuffers[b]->Material = material;
            firstBuffer = bridge.frameFullBuffers.size();
        };
        world::drawTiles<Sample>(tiles, pass, stitching_, onFanBegin, onTileFanVertex, [&](std::size_t t) {
            if (t > 0) finishTile(*tiles[t - 1]);
            const world::TileKey& key = tiles[t]->key;
            bridge.frameMeshBuffer = new irr::scene::SMeshBuffer();
            bridge.tile.x0 = world_.x0;
            bridge.tile.z0 = world_.z0;
            bridge.tile.cellX = world_.cellX;
            bridge.tile.cellZ = world_.cellZ;
            bridge.tile.step = std::ldexp(1.0, key.level);
            bridge.tile.firstColumn = static_cast<double>(key.column) * (T - 1) * bridge.tile.step;
            bridge.tile.firstRow = static_cast<double>(key.row) * (T - 1) * bridge.tile.step;
            bridge.tile.heightScale = tiles[t]->heightScale;
            bridge.tile.lastIndex = static_cast<float>(T - 1);
        });
        if (tiles.empty()) {
            bridge.frameMeshBuffer = new irr::scene::SMeshBuffer();
        } else {
            finishTile(*tiles.back());
            // wrapFrameBuffers takes the last buffer from bridge.frameMeshBuffer.
            bridge.frameMeshBuffer = bridge.frameFullBuffers.back();
            bridge.frameFullBuffers.pop_back();
        }
        return frame_.show(sceneManager);
    }

    void removeFrame() override { frame_.remove(); }

private:
    void arrived(const world::TileKey& key, const elevation::RgbImage& image) {
        irr::video::ITexture* texture = nullptr;
        if (!image.pixels.empty()) texture = makeTexture(driver_, ("tile " + tileName(key)).c_str(), image);
        if (!texture && driver_->getDriverType() != irr::video::EDT_NULL)
            std::cerr << "flyover: warning: tile " << tileName(key) << " has no usable texture; drawn untextured"
                      << std::endl;
        textures_[slotOf(key)] = texture;
    }
    void released(const world::TileKey& key) {
        const auto found = textures_.find(slotOf(key));
        if (found == textures_.end()) return;
        if (found->second) driver_->removeTexture(found->second);
        textures_.erase(found);
    }

    irr::video::IVideoDriver* driver_;
    const world::WorldIndex index_;
    const double lowest_, highest_;
    std::vector<const world::TileMap<Sample>*> tiles_;   // this frame's, in view
    world::WorldPlacement world_;
    RasterPlacement placement_;
    std::map<Slot, irr::video::ITexture*> textures_;
    std::string failed_;
    world::TileStitching stitching_;
    std::unique_ptr<world::TileStreaming<Sample>> streaming_;
    FrameNode frame_;
};

}  // namespace

std::unique_ptr<WorldScenery> makeWorldScenery(irr::video::IVideoDriver* driver, const std::filesystem::path& folder,
                                               const world::WorldIndex& index, double exaggeration,
                                               std::size_t memoryBytes) {
    if (index.samples == world::SampleType::kInt16)
        return std::make_unique<TiledScenery<std::int16_t>>(driver, folder, index, exaggeration, memoryBytes);
    return std::make_unique<TiledScenery<float>>(driver, folder, index, exaggeration, memoryBytes);
}

}  // namespace flyover
