#include "app/frame_node.h"

#include "app/flyover_frame.h"

namespace flyover {

namespace {

constexpr irr::u32 kIndicesPerTriangle = 3;

}  // namespace

long FrameNode::show(irr::scene::ISceneManager* sceneManager) {
    remove();
    animatedMesh_ = wrapFrameBuffers(&mesh_);
    node_ = sceneManager->addAnimatedMeshSceneNode(animatedMesh_);
    long triangles = 0;
    for (irr::u32 b = 0; b < mesh_->getMeshBufferCount(); ++b)
        triangles += mesh_->getMeshBuffer(b)->getIndexCount() / kIndicesPerTriangle;
    return triangles;
}

void FrameNode::remove() {
    if (!node_) return;
    node_->remove();
    mesh_->drop();
    animatedMesh_->drop();
    node_ = nullptr;
    mesh_ = nullptr;
    animatedMesh_ = nullptr;
}

}  // namespace flyover
