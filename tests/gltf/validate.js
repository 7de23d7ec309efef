// Runs the Khronos glTF validator on each file given; prints every issue it reports and exits
// non-zero when any file has an error (or cannot be read).
'use strict';
const fs = require('fs');
const validator = require('gltf-validator');

async function validate(path) {
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(path)), {
    uri: path,
    maxIssues: 0,  // all of them
  });
  const severities = ['error', 'warning', 'info', 'hint'];
  for (const m of report.issues.messages) {
    console.log(`${path}: ${severities[m.severity] || m.severity}: ${m.code} ${m.pointer || ''} ${m.message}`);
  }
  const i = report.info || {};
  console.log(`${path}: ${report.issues.numErrors} errors, ${report.issues.numWarnings} warnings; ` +
              `${i.drawCallCount} draw calls, ${i.totalVertexCount} vertices, ` +
              `${i.animationCount} animations, morph targets: ${i.hasMorphTargets}`);
  return report.issues.numErrors === 0;
}

(async () => {
  const files = process.argv.slice(2);
  if (files.length === 0) {
    console.error('usage: node validate.js FILE.glb...');
    process.exit(2);
  }
  let ok = true;
  for (const f of files) {
    try {
      if (!(await validate(f))) ok = false;
    } catch (e) {
      console.error(`${f}: ${e.message || e}`);
      ok = false;
    }
  }
  process.exit(ok ? 0 : 1);
})();
