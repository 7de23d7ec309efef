// The glTF characters as documents of the host, with the plug-in loaded in this process:
// the skin reproduces the file's own skinning at animated frames, and at the rest pose the
// corrective deformer gives the rest mesh back.
#include "hostapp/app/gltf_scene.h"

#include <cmath>
#include <memory>

#include "hostapp/app/comparison.h"
#include "hostapp/app/session.h"
#include "hostapp/eval/evaluate.h"
#include "hostapp/io/gltf.h"
#include "hostapp/scene/document.h"
#include "run_env.h"

namespace e2e_run {
namespace {

class GltfSceneTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(EnsurePlugin(&error)) << error;
    ASSERT_TRUE(hostapp::ReadGltf(std::string("../shared/data/gltf/") + GetParam() + ".gltf", &scene_, &error))
        << error;
    ASSERT_EQ(scene_.meshes.size(), 1u);
    evaluator_ = std::make_unique<hostapp::Evaluator>(doc_);
    built_ = hostapp::BuildGltfDocument(scene_, doc_);
  }

  hostapp::GltfScene scene_;
  hostapp::Document doc_;
  std::unique_ptr<hostapp::Evaluator> evaluator_;
  hostapp::GltfDocument built_;
};

TEST_P(GltfSceneTest, SkinFollowsTheFileAndRestPoseComesBack) {
  hostapp::PolygonObject* mesh = built_.meshes[0].mesh;
  const std::vector<C4D_Vector> rest = mesh->Points();
  const double size = Size(rest);
  EXPECT_TRUE(built_.meshes[0].rest_is_bind_pose);

  // Animated: the host's skin against the file's skinning in the host's axes. They differ
  // by at most what snapping the bind pose to the rest pose moves (the file stores 32-bit floats).
  int64_t first = 0, last = 0;
  hostapp::GltfFrameRange(scene_, 0, 24.0, &first, &last);
  const int32_t frame = static_cast<int32_t>((first + last) / 2);
  hostapp::AnimateGltfDocument(scene_, built_, 0, 24.0, frame, frame, &evaluator_->GetAnimation());
  hostapp::EvaluationResult moved = evaluator_->Evaluate(frame);
  ASSERT_TRUE(moved.issues.empty()) << moved.issues.front().message;
  std::vector<C4D_Matrix> globals;
  hostapp::EvaluateNodeGlobals(scene_, 0, frame / 24.0, &globals);
  std::vector<C4D_Vector> expected;
  hostapp::SkinMeshPoints(scene_, scene_.meshes[0], globals, &expected);
  for (C4D_Vector& p : expected) p = hostapp::GltfToHostPoint(p);
  const std::vector<C4D_Vector>& skinned = *moved.Points(*mesh);
  EXPECT_LT(MaxDistance(skinned, expected), 1e-5 * size);
  EXPECT_GT(MaxDistance(skinned, rest), 1e-3 * size);  // the frame is really posed

  // Bound through the add command; the unanimated scene is the rest pose.
  std::vector<hostapp::TavrenPlacement> placed;
  std::string error;
  ASSERT_TRUE(hostapp::PlaceAndBindTavren(doc_, {mesh}, hostapp::TagSettings(), &placed, &error)) << error;
  ASSERT_EQ(placed.size(), 1u);
  EXPECT_EQ(mesh->FirstTag(), placed[0].tag);
  EXPECT_EQ(placed[0].deformer->Pred(), built_.meshes[0].skin);  // right after the skin
  evaluator_->GetAnimation() = hostapp::Animation();
  for (size_t i = 0; i < built_.nodes.size(); ++i)
    built_.nodes[i]->SetMl(hostapp::GltfToHostMatrix(scene_.nodes[i].rest));
  hostapp::EvaluationResult at_rest = evaluator_->Evaluate(0);
  ASSERT_TRUE(at_rest.issues.empty()) << at_rest.issues.front().message;
  EXPECT_LT(MaxDistance(*at_rest.Points(*mesh), rest), 1e-9 * size);

  // And posed, the deformer moves the mesh away from the skin's result, but keeps it finite.
  hostapp::AnimateGltfDocument(scene_, built_, 0, 24.0, frame, frame, &evaluator_->GetAnimation());
  hostapp::EvaluationResult corrected = evaluator_->Evaluate(frame);
  ASSERT_TRUE(corrected.issues.empty()) << corrected.issues.front().message;
  EXPECT_GT(MaxDistance(*corrected.Points(*mesh), skinned), 0.0);
  EXPECT_LT(MaxDistance(*corrected.Points(*mesh), skinned), size);
}

INSTANTIATE_TEST_SUITE_P(Characters, GltfSceneTest, ::testing::Values("CesiumMan", "RiggedFigure", "RiggedSimple"));

}  // namespace
}  // namespace e2e_run
