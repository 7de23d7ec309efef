// A generated test subject: an arm. A closed tube along +x with ridges around it and bumps
// along it, capped at both ends, skinned to two joints (upper arm at the origin, forearm at
// the elbow, half way along) with weights that blend smoothly across the elbow.
#ifndef HOSTAPP_EVAL_ARM_H
#define HOSTAPP_EVAL_ARM_H

#include <cstdint>

#include "host/abi/c4d_abi.h"
#include "hostapp/io/mesh.h"

namespace hostapp {

class Animation;
class Document;
class Object;
class PolygonObject;
class WeightTag;

struct ArmOptions {
  double length = 200.0;      // along +x, from x = 0
  double radius = 20.0;       // mean radius of the tube
  int32_t segments = 64;      // points around each ring (>= 3)
  int32_t rings = 81;         // rings along the tube, ends included (>= 2)
  int32_t cap_rings = 3;      // rings of each flat cap between the rim and its centre (>= 0)
  int32_t ridges = 12;        // ridges around the tube
  double ridge_depth = 0.06;  // their height, as a share of the radius
  int32_t bumps = 7;          // bumps along the tube
  double bump_height = 0.04;  // their height, as a share of the radius
  double blend = 0.25;        // width of the weight transition at the elbow, share of the length
};

// in: options. out: the arm's surface: rings of quads along the tube, each cap closed by
// rings of quads and a fan of triangles (c == d) around its centre; every face turns outward.
// Point count segments * (rings + 2 * cap_rings) + 2.
Mesh MakeArmMesh(const ArmOptions& options);

// in: x, options. out: the forearm's weight at x along the arm (0 before the elbow's
// transition, 1 after it, smoothstep between); the upper arm gets 1 minus it.
double ForearmWeight(double x, const ArmOptions& options);

// The arm as it sits in a document; the pointers are owned by the document.
struct ArmScene {
  PolygonObject* mesh = nullptr;  // "Arm", top level, rest points from MakeArmMesh
  Object* upper = nullptr;        // "Upper Arm" joint, top level, at the origin
  Object* forearm = nullptr;      // "Forearm" joint under the upper arm, at x = length / 2
  Object* skin = nullptr;         // "Skin" deformer under the mesh
  WeightTag* weights = nullptr;   // on the mesh: joint 0 upper arm, joint 1 forearm, bound at rest
  double length = 0;
};

// in: doc, options. out: the arm inserted at the end of doc's top level (joints, then the
// mesh with its weight tag and skin), in its rest pose.
ArmScene MakeArmScene(Document& doc, const ArmOptions& options = ArmOptions());

// The elbow: bend about z (toward +y for a positive angle), then twist of the forearm
// about its own x axis; radians.
struct ArmPose {
  double bend = 0;
  double twist = 0;
};

// in: arm length, pose. out: the forearm joint's local frame for that pose.
C4D_Matrix ForearmFrame(double length, const ArmPose& pose);
// in: arm, pose. Sets the forearm joint's local frame.
void PoseArm(const ArmScene& arm, const ArmPose& pose);
// in: frame, period in frames, largest bend and twist. out: a looping motion: the elbow bends
// from straight to max_bend and back over a period while the forearm twists to +max_twist
// and -max_twist.
ArmPose ArmPoseAtFrame(double frame, double period = 48.0, double max_bend = 1.4, double max_twist = 0.7);
// in: animation, arm, period, largest bend and twist. Drives the forearm joint with
// ArmPoseAtFrame through a callback track.
void AnimateArm(Animation& animation, const ArmScene& arm, double period = 48.0, double max_bend = 1.4,
                double max_twist = 0.7);

}  // namespace hostapp

#endif  // HOSTAPP_EVAL_ARM_H
