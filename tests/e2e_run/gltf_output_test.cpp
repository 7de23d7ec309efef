// The animations demo and run write as .glb, read as other tools read them: through the Open
// Asset Import Library (which many DCC importers are built on) and decoded here, against the
// OBJ meshes of the same frames.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cstdio>
#include <string>

#include "run_env.h"
#include "support/glb_decode.h"

namespace e2e_run {
namespace {

class GltfOutputTest : public ScratchTest {
 protected:
  // in: folder, mesh stem, kind ("skin", "corrected"), frame. out: the frame's OBJ mesh.
  static hostapp::Mesh FrameMesh(const std::string& dir, const std::string& stem, const char* kind, int frame) {
    char name[96];
    std::snprintf(name, sizeof name, "/%s_%s_%04d.obj", stem.c_str(), kind, frame);
    return ReadMesh(dir + name);
  }

  // Imports path with Assimp (no post-processing) and checks, for one mesh named node: its
  // vertex count is the rest mesh's, it has one morph target per frame whose positions are
  // the OBJ meshes' at the first and the last frame, and the one animation, named anim_name,
  // steps through the targets one frame at a time.
  static void ExpectAssimpImport(const std::string& path, const std::string& anim_name, const std::string& node,
                                 const std::string& dir, const std::string& stem, const char* kind,
                                 const std::vector<int>& frames) {
    SCOPED_TRACE(path);
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, 0);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    const hostapp::Mesh rest = ReadMesh(dir + "/" + stem + "_rest.obj");
    ASSERT_EQ(scene->mNumMeshes, 1u);
    const aiMesh* mesh = scene->mMeshes[0];
    EXPECT_EQ(mesh->mNumVertices, rest.points.size());
    ASSERT_NE(scene->mRootNode->FindNode(node.c_str()), nullptr);
    ASSERT_EQ(mesh->mNumAnimMeshes, frames.size());
    const double tolerance = 1e-5 * Size(rest.points);
    for (size_t k : {size_t(0), frames.size() - 1}) {
      const aiAnimMesh* target = mesh->mAnimMeshes[k];
      ASSERT_EQ(target->mNumVertices, rest.points.size());
      std::vector<C4D_Vector> points(target->mNumVertices);
      for (size_t i = 0; i < points.size(); ++i) {
        const aiVector3D& v = target->mVertices[i];
        points[i] = C4D_Vector{100.0 * v.x, 100.0 * v.y, -100.0 * v.z};
      }
      EXPECT_LT(MaxDistance(points, FrameMesh(dir, stem, kind, frames[k]).points), tolerance) << "frame " << frames[k];
    }

    ASSERT_EQ(scene->mNumAnimations, 1u);
    const aiAnimation* anim = scene->mAnimations[0];
    EXPECT_EQ(std::string(anim->mName.C_Str()), anim_name);
    ASSERT_EQ(anim->mNumMorphMeshChannels, 1u);
    const aiMeshMorphAnim* channel = anim->mMorphMeshChannels[0];
    ASSERT_EQ(channel->mNumKeys, frames.size());
    for (unsigned k = 0; k < channel->mNumKeys; ++k) {
      const aiMeshMorphKey& key = channel->mKeys[k];
      if (k > 0) {
        EXPECT_GT(key.mTime, channel->mKeys[k - 1].mTime);
      }
      double on = 0, others = 0;
      for (unsigned j = 0; j < key.mNumValuesAndWeights; ++j) (key.mValues[j] == k ? on : others) += key.mWeights[j];
      EXPECT_EQ(on, 1.0) << "key " << k;
      EXPECT_EQ(others, 0.0) << "key " << k;
    }
  }

  // Decodes every frame's target of the one mesh in path and compares it with the OBJ mesh.
  static void ExpectEveryFrameDecodes(const std::string& path, const std::string& dir, const std::string& stem,
                                      const char* kind, const std::vector<int>& frames) {
    SCOPED_TRACE(path);
    tinygltf::Model model;
    std::string error;
    ASSERT_TRUE(glbtest::Load(path, &model, &error)) << error;
    ASSERT_EQ(model.meshes.size(), 1u);
    const hostapp::Mesh rest = ReadMesh(dir + "/" + stem + "_rest.obj");
    EXPECT_LT(MaxDistance(glbtest::HostPoints(model, 0, -1), rest.points), 1e-6 * Size(rest.points));
    for (size_t k = 0; k < frames.size(); ++k) {
      EXPECT_LT(MaxDistance(glbtest::HostPoints(model, 0, static_cast<int>(k)), FrameMesh(dir, stem, kind, frames[k]).points),
                1e-6 * Size(rest.points))
          << "frame " << frames[k];
    }
  }
};

TEST_F(GltfOutputTest, DemoAnimationsImportWithTheirFrames) {
  const std::string out = Path("demo");
  const RunResult r = RunHost("demo --frames 5 --out '" + out + "'");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find(out + "/arm_corrected.glb"), std::string::npos) << r.out;
  const std::vector<int> frames = {0, 1, 2, 3, 4};
  ExpectAssimpImport(out + "/arm_skin.glb", "skin only", "Arm", out, "arm", "skin", frames);
  ExpectAssimpImport(out + "/arm_corrected.glb", "corrected", "Arm", out, "arm", "corrected", frames);
  ExpectEveryFrameDecodes(out + "/arm_skin.glb", out, "arm", "skin", frames);
  ExpectEveryFrameDecodes(out + "/arm_corrected.glb", out, "arm", "corrected", frames);
}

TEST_F(GltfOutputTest, RunWritesTheCharacterAnimationsAndNoGltfLeavesThemOut) {
  const std::string out = Path("run");
  RunResult r = RunHost("run ../shared/data/gltf/RiggedSimple.gltf --frames 20-22 --out '" + out + "'");
  ASSERT_EQ(r.code, 0) << r.err;
  tinygltf::Model model;
  std::string error;
  ASSERT_TRUE(glbtest::Load(out + "/RiggedSimple_corrected.glb", &model, &error)) << error;
  ASSERT_EQ(model.nodes.size(), 1u);
  const std::string node = model.nodes[0].name;
  const std::vector<int> frames = {20, 21, 22};
  ExpectAssimpImport(out + "/RiggedSimple_corrected.glb", "corrected", node, out, "RiggedSimple", "corrected", frames);
  ExpectEveryFrameDecodes(out + "/RiggedSimple_skin.glb", out, "RiggedSimple", "skin", frames);

  const std::string plain = Path("plain");
  r = RunHost("demo --frames 3 --no-gltf --out '" + plain + "'");
  ASSERT_EQ(r.code, 0) << r.err;
  for (const std::string& name : Files(plain)) EXPECT_EQ(name.find(".glb"), std::string::npos) << name;
  EXPECT_EQ(r.out.find(".glb"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace e2e_run
