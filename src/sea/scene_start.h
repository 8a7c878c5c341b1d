// The state the scene starts in. Every target starts on dusk, force 1.5, foam on,
// drifting left; the Linux program, the renderer and the web page can ask for
// another start before the run.
#pragma once

struct SceneStart {
  int scheme = 2;           // 0 .. 3: red, blue, dusk, teal
  float force = 1.5f;       // 1.0 .. 3.0 in steps of 0.25
  int foam = 1;             // white horses on the crests
  float direction = -1.0f;  // -1: drifting left, +1: drifting right
};

// Read by initScene; set before the run and left alone during it.
extern SceneStart sceneStart;
