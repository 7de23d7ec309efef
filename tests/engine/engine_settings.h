// Smoothing settings for driving the engine directly, in the order tests usually vary them.
#ifndef TESTS_ENGINE_ENGINE_SETTINGS_H
#define TESTS_ENGINE_ENGINE_SETTINGS_H

#include "tavrenthreads.h"

inline BindSettings EngineSettings(Int32 iterations, Int32 mode, Bool pinBorders = false, Float32 step = 1.0f,
                                   BaseTag* weightTag = nullptr) {
  BindSettings s;
  s.iterations = iterations;
  s.mode = static_cast<SmoothMode>(mode);
  s.pinBorders = pinBorders;
  s.step = step;
  s.weightTag = weightTag;
  s.useWeights = weightTag != nullptr;
  return s;
}

#endif
