// The viewer page: the skin-only and the corrected animation side by side, one orbit camera
// for both, a frame slider, strain colours and the report's figures of the shown frame.
// Everything it shows comes from the data block tavren-host writes into the page.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';

const $ = (id) => document.getElementById(id);
const data = JSON.parse($('tavren-data').textContent);
const COLOURS = { skin: 0xd68060, corrected: 0x68a4de }; // as in the comparison picture
const BACKGROUND = 0x2a2d33;

function decodeBase64(text) {
  const chars = atob(text);
  const bytes = new Uint8Array(chars.length);
  for (let i = 0; i < chars.length; i++) bytes[i] = chars.charCodeAt(i);
  return bytes.buffer;
}

function loadGlb(base64) {
  return new Promise((resolve, reject) => new GLTFLoader().parse(decodeBase64(base64), '', resolve, reject));
}

// The colour of a strain on the scale tavren-host uses for its pictures.
function strainColour(strain, out) {
  const { max, stops } = data.strain;
  const s = Math.min(Math.max(strain, 0), max);
  let i = 0;
  while (i < stops.length - 2 && s > stops[i + 1].at) i++;
  const a = stops[i], b = stops[i + 1] ?? a;
  const t = b.at > a.at ? Math.min(1, (s - a.at) / (b.at - a.at)) : 0;
  const mix = (p, q) => (p + (q - p) * t) / 255;
  return out.setRGB(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), THREE.SRGBColorSpace);
}

// The source polygons of a triangulated mesh: per polygon its perimeter edges (a quad's two
// triangles share their diagonal, which is no edge of the quad), and per triangle its polygon.
function polygonsOf(index, sides) {
  const triangles = index.length / 3;
  const counts = [...(sides ?? '')].map(Number);
  const fits = counts.reduce((n, c) => n + (c === 4 ? 2 : 1), 0) === triangles;
  const edges = [], polygonOf = new Int32Array(triangles);
  const corners = (t) => [index[3 * t], index[3 * t + 1], index[3 * t + 2]];
  const sidesOf = ([a, b, c]) => [[a, b], [b, c], [c, a]];
  let t = 0;
  for (const count of fits ? counts : new Array(triangles).fill(3)) {
    let list = sidesOf(corners(t));
    polygonOf[t++] = edges.length;
    if (count === 4) {
      const second = corners(t);
      const shared = second.filter((v) => list.some((e) => e[0] === v));
      const isDiagonal = ([p, q]) => shared.includes(p) && shared.includes(q);
      list = list.concat(sidesOf(second)).filter((e) => !isDiagonal(e));
      polygonOf[t++] = edges.length;
    }
    edges.push(list);
  }
  return { edges, polygonOf };
}

// One animated mesh of one side: the rest points, one displacement per frame, and a
// triangle soup (one colour per face) that shows the current frame.
class AnimatedMesh {
  constructor(mesh, colour) {
    const source = mesh.geometry;
    this.rest = source.attributes.position.array;
    this.moves = (source.morphAttributes.position ?? []).map((a) => a.array);
    this.polygons = polygonsOf(source.index.array, mesh.userData?.tavren?.sides);
    this.index = source.index.array;
    mesh.geometry = source.toNonIndexed();
    const count = mesh.geometry.attributes.position.count;
    mesh.geometry.setAttribute('color', new THREE.BufferAttribute(new Float32Array(3 * count), 3));
    mesh.updateMorphTargets();
    mesh.material = new THREE.MeshStandardMaterial({ color: colour, flatShading: true, side: THREE.DoubleSide,
                                                      roughness: 0.7 });
    this.mesh = mesh;
    this.colour = colour;
    this.restLengths = this.polygons.edges.map((list) => list.map(([p, q]) => this.distance(this.rest, null, p, q)));
  }

  distance(points, move, p, q) {
    let sum = 0;
    for (let k = 0; k < 3; k++) {
      const d = points[3 * p + k] - points[3 * q + k] + (move ? move[3 * p + k] - move[3 * q + k] : 0);
      sum += d * d;
    }
    return Math.sqrt(sum);
  }

  // The frame's points, for framing the camera.
  expandBox(frame, box) {
    const move = this.moves[frame], p = new THREE.Vector3();
    for (let i = 0; i < this.rest.length; i += 3) {
      p.fromArray(this.rest, i);
      if (move) p.add(new THREE.Vector3().fromArray(move, i));
      box.expandByPoint(p);
    }
  }

  show(frame, { strain, wireframe }) {
    const influences = this.mesh.morphTargetInfluences;
    if (influences) {
      influences.fill(0);
      influences[frame] = 1;
    }
    const material = this.mesh.material;
    material.wireframe = wireframe;
    if (material.vertexColors !== strain) {
      material.vertexColors = strain;
      material.color.set(strain ? 0xffffff : this.colour);
      material.needsUpdate = true;
    }
    if (strain) this.colourByStrain(this.moves[frame]);
  }

  colourByStrain(move) {
    const { edges, polygonOf } = this.polygons;
    const perPolygon = edges.map((list, n) => {
      let sum = 0, measured = 0;
      list.forEach(([p, q], e) => {
        const rest = this.restLengths[n][e];
        if (rest > 0) { sum += Math.abs(this.distance(this.rest, move, p, q) - rest) / rest; measured++; }
      });
      return measured > 0 ? sum / measured : 0;
    });
    const colours = this.mesh.geometry.attributes.color, c = new THREE.Color();
    for (let t = 0; t < polygonOf.length; t++) {
      strainColour(perPolygon[polygonOf[t]], c);
      for (let k = 0; k < 3; k++) colours.setXYZ(3 * t + k, c.r, c.g, c.b);
    }
    colours.needsUpdate = true;
  }
}

// One viewport: its own canvas, renderer and scene, drawn with the shared camera.
class Side {
  constructor(canvas, gltf, colour) {
    this.renderer = new THREE.WebGLRenderer({ canvas, antialias: true, preserveDrawingBuffer: true });
    this.scene = new THREE.Scene();
    this.scene.background = new THREE.Color(BACKGROUND);
    this.scene.add(new THREE.HemisphereLight(0xffffff, 0x404040, 1.2));
    this.light = new THREE.DirectionalLight(0xffffff, 2.0);
    this.scene.add(this.light, gltf.scene);
    this.meshes = [];
    gltf.scene.traverse((o) => { if (o.isMesh) this.meshes.push(new AnimatedMesh(o, colour)); });
  }

  draw(camera) {
    const canvas = this.renderer.domElement;
    const width = canvas.clientWidth, height = canvas.clientHeight;
    if (canvas.width !== Math.floor(width * devicePixelRatio) || canvas.height !== Math.floor(height * devicePixelRatio)) {
      this.renderer.setPixelRatio(devicePixelRatio);
      this.renderer.setSize(width, height, false);
    }
    this.light.position.copy(camera.position);
    this.renderer.render(this.scene, camera);
  }
}

function formatValue(text) {
  const x = Number(text);
  return text === '' ? '–' : Number.isFinite(x) && !Number.isInteger(x) ? x.toPrecision(5) : text;
}

function showSettings() {
  for (const tag of data.settings) {
    const section = $('settings').appendChild(document.createElement('section'));
    section.appendChild(document.createElement('h2')).textContent = tag.title;
    const table = section.appendChild(document.createElement('table'));
    for (const [label, value] of tag.entries) table.insertRow().append(cell(label), cell(value));
  }
}

function cell(text) {
  const td = document.createElement('td');
  td.textContent = text;
  return td;
}

function showLegend() {
  const { max, stops } = data.strain;
  const gradient = stops.map((s) => `rgb(${s.r},${s.g},${s.b}) ${(100 * s.at) / max}%`).join(', ');
  $('legend-bar').style.background = `linear-gradient(to right, ${gradient})`;
  const ticks = [0, 0.5, 1].map((f) => `${Math.round(100 * f * max)} %${f === 1 ? ' and more' : ''}`);
  $('legend-ticks').replaceChildren(...ticks.map((t) => Object.assign(document.createElement('span'), { textContent: t })));
}

function parseReport(csv) {
  const [header, ...rows] = csv.trim().split(/\r?\n/).map((line) => line.split(','));
  return { header, rows: new Map(rows.map((r) => [Number(r[0]), r])) };
}

async function main() {
  document.title = `${data.title} – Tavren viewer`;
  $('title').textContent = `${data.title}: skin only and corrected`;
  const [skin, corrected] = await Promise.all([loadGlb(data.skin), loadGlb(data.corrected)]);
  const sides = [new Side($('skin'), skin, COLOURS.skin), new Side($('corrected'), corrected, COLOURS.corrected)];
  const frames = skin.asset.extras?.tavren?.frames ?? [0];
  const fps = skin.asset.extras?.tavren?.fps ?? 24;
  const report = parseReport(data.report);
  showSettings();
  showLegend();

  const box = new THREE.Box3();
  frames.forEach((_, f) => sides.forEach((s) => s.meshes.forEach((m) => m.expandBox(f, box))));
  const sphere = box.getBoundingSphere(new THREE.Sphere());
  const camera = new THREE.PerspectiveCamera(35, 1, sphere.radius / 100, sphere.radius * 100);
  const view = $('skin'), halfHeight = THREE.MathUtils.degToRad(35 / 2);
  const halfWidth = Math.atan(Math.tan(halfHeight) * view.clientWidth / Math.max(1, view.clientHeight));
  const distance = (sphere.radius / Math.sin(Math.min(halfHeight, halfWidth))) * 1.05;
  camera.position.copy(sphere.center).add(new THREE.Vector3(0.25, 0.35, 1).normalize().multiplyScalar(distance));
  const controls = new OrbitControls(camera, $('views'));
  controls.target.copy(sphere.center);
  controls.update();

  const state = { frame: 0, strain: false, wireframe: false, playing: false };
  const slider = $('frame');
  slider.max = String(frames.length - 1);

  function draw() {
    const canvas = sides[0].renderer.domElement;
    camera.aspect = canvas.clientWidth / Math.max(1, canvas.clientHeight);
    camera.updateProjectionMatrix();
    sides.forEach((s) => s.draw(camera));
  }

  function show(frame) {
    state.frame = frame;
    slider.value = String(frame);
    $('frame-number').textContent = `frame ${frames[frame]}`;
    $('report-frame').textContent = String(frames[frame]);
    const row = report.rows.get(frames[frame]) ?? [];
    $('report').replaceChildren(...report.header.slice(1).map((name, i) => {
      const tr = document.createElement('tr');
      tr.append(cell(name), cell(formatValue(row[i + 1] ?? '')));
      return tr;
    }));
    sides.forEach((s) => s.meshes.forEach((m) => m.show(frame, state)));
    $('legend').hidden = !state.strain;
    draw();
  }

  slider.addEventListener('input', () => show(Number(slider.value)));
  $('strain').addEventListener('change', (e) => { state.strain = e.target.checked; show(state.frame); });
  $('wireframe').addEventListener('change', (e) => { state.wireframe = e.target.checked; show(state.frame); });
  controls.addEventListener('change', draw);
  addEventListener('resize', draw);

  let last = 0, elapsed = 0;
  function tick(now) {
    if (!state.playing) return;
    elapsed += (now - last) / 1000 * Number($('speed').value);
    last = now;
    const steps = Math.floor(elapsed * fps);
    if (steps > 0) {
      elapsed -= steps / fps;
      show((state.frame + steps) % frames.length);
    }
    requestAnimationFrame(tick);
  }
  $('play').addEventListener('click', () => {
    state.playing = !state.playing;
    $('play').textContent = state.playing ? 'Pause' : 'Play';
    last = performance.now();
    elapsed = 0;
    if (state.playing) requestAnimationFrame(tick);
  });

  show(0);
  document.body.dataset.ready = 'true';
}

main().catch((error) => {
  console.error(error);
  $('error').hidden = false;
  $('error').textContent = `The viewer could not start: ${error.message ?? error}`;
});
