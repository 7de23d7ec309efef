// The viewer page in a real browser: tavren-host writes the demo's page, headless Chromium
// (driven by puppeteer-core) opens it from disk, and the test checks what a person would see:
// no errors, nothing fetched from outside the file, the mesh drawn in both views, the last
// frame different from the first and the corrected view different from the skin-only one,
// and strain colours that change the picture. On failure a screenshot is kept in OUT.
//
//   node browser_test.cjs --host TAVREN_HOST --modules NODE_MODULES --out OUT [--screenshot PNG]
//   node browser_test.cjs --page PAGE --modules NODE_MODULES --out OUT   (a page written before)
//
// --screenshot PNG also saves the page at the last frame with strain colours (the README's picture).
// Chromium: $CHROMIUM, else `chromium` on the PATH (scripts/deps.sh installs Debian's).
'use strict';
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { pathToFileURL } = require('node:url');

function options() {
  const args = process.argv.slice(2), out = {};
  for (let i = 0; i < args.length; i += 2) {
    if (!args[i].startsWith('--') || args[i + 1] === undefined) usage(`unexpected argument ${args[i]}`);
    out[args[i].slice(2)] = args[i + 1];
  }
  for (const name of [out.page ? 'page' : 'host', 'modules', 'out']) if (!out[name]) usage(`--${name} is missing`);
  return out;
}

function usage(what) {
  console.error(`browser_test: ${what}\nusage: node browser_test.cjs --host TAVREN_HOST --modules NODE_MODULES ` +
                '--out OUT [--screenshot PNG]');
  process.exit(2);
}

function findChromium() {
  if (process.env.CHROMIUM) return process.env.CHROMIUM;
  for (const dir of (process.env.PATH ?? '').split(path.delimiter)) {
    for (const name of ['chromium', 'chromium-browser']) {
      const file = path.join(dir, name);
      if (fs.existsSync(file)) return file;
    }
  }
  throw new Error('chromium not found: install Debian\'s chromium (scripts/deps.sh does) or set CHROMIUM');
}

// The canvas's picture, scaled to 160 pixels wide, as RGB bytes, and how many of its pixels
// differ from the page's background colour. Runs in the page.
function sample(id) {
  const source = document.getElementById(id);
  const width = 160, height = Math.max(1, Math.round((160 * source.height) / source.width));
  const canvas = Object.assign(document.createElement('canvas'), { width, height });
  const context = canvas.getContext('2d');
  context.drawImage(source, 0, 0, width, height);
  const rgba = context.getImageData(0, 0, width, height).data, rgb = [];
  let drawn = 0;
  for (let i = 0; i < rgba.length; i += 4) {
    rgb.push(rgba[i], rgba[i + 1], rgba[i + 2]);
    if (Math.abs(rgba[i] - 0x2a) + Math.abs(rgba[i + 1] - 0x2d) + Math.abs(rgba[i + 2] - 0x33) > 24) drawn++;
  }
  return { rgb, drawn, pixels: rgba.length / 4 };
}

// The share of pixels whose colour differs clearly between two samples of the same size.
function changed(a, b) {
  let n = 0;
  for (let i = 0; i < a.rgb.length; i += 3) {
    const d = Math.abs(a.rgb[i] - b.rgb[i]) + Math.abs(a.rgb[i + 1] - b.rgb[i + 1]) + Math.abs(a.rgb[i + 2] - b.rgb[i + 2]);
    if (d > 24) n++;
  }
  return n / a.pixels;
}

async function main() {
  const opts = options();
  const puppeteer = require(require.resolve('puppeteer-core', { paths: [opts.modules] }));
  const out = path.resolve(opts.out);
  let pageFile = opts.page && path.resolve(opts.page);
  if (!pageFile) {
    fs.rmSync(out, { recursive: true, force: true });
    execFileSync(opts.host, ['demo', '--frames', '8', '--out', out], { stdio: ['ignore', 'ignore', 'inherit'] });
    pageFile = path.join(out, 'arm_viewer.html');
    if (!fs.existsSync(pageFile)) throw new Error(`demo wrote no ${pageFile}`);
  }
  fs.mkdirSync(out, { recursive: true });
  const pageUrl = pathToFileURL(pageFile).href;

  const args = ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--window-size=1280,720'];
  if (process.getuid?.() === 0) args.push('--no-sandbox');
  const browser = await puppeteer.launch({ executablePath: findChromium(), headless: true, args });
  const failures = [], problems = [];
  let passed = 0;
  const check = (ok, what) => {
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
    if (ok) passed++; else failures.push(what);
  };
  const page = await browser.newPage();
  try {
    await page.setViewport({ width: 1280, height: 720 });
    page.on('console', (m) => { if (m.type() === 'error') problems.push(`console error: ${m.text()}`); });
    page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
    await page.setRequestInterception(true);
    page.on('request', (request) => {
      const url = request.url();
      if (url === pageUrl || url.startsWith('data:') || url.startsWith('blob:')) return request.continue();
      problems.push(`request leaving the file: ${url}`);
      return request.abort();
    });
    await page.goto(pageUrl, { waitUntil: 'load' });
    await page.waitForFunction(() => document.body.dataset.ready === 'true' || !document.getElementById('error').hidden,
                               { timeout: 60000 });
    const shot = async () => ({ skin: await page.evaluate(sample, 'skin'), corrected: await page.evaluate(sample, 'corrected') });

    const first = await shot();
    for (const side of ['skin', 'corrected']) {
      const share = first[side].drawn / first[side].pixels;
      check(share > 0.02, `${side}: the mesh is drawn at the first frame (${(100 * share).toFixed(1)} % of the canvas)`);
    }
    await page.$eval('#frame', (slider) => {
      slider.value = slider.max;
      slider.dispatchEvent(new Event('input'));
    });
    const label = await page.$eval('#frame-number', (o) => o.textContent);
    const heading = await page.$eval('#report-frame', (o) => o.textContent);
    const lastLabel = opts.page ? `frame ${heading}` : 'frame 7'; // the demo's frames are 0-7
    check(label === lastLabel && heading !== '0', `the slider's last position shows the last frame ("${label}")`);
    const last = await shot();
    for (const side of ['skin', 'corrected']) {
      const share = changed(first[side], last[side]);
      check(share > 0.01, `${side}: the last frame differs from the first (${(100 * share).toFixed(1)} % of the pixels)`);
    }
    const apart = changed(last.skin, last.corrected);
    check(apart > 0.005, `skin only and corrected differ at the last frame (${(100 * apart).toFixed(1)} % of the pixels)`);
    const figures = await page.$$eval('#report tr', (rows) => rows.map((r) => r.textContent));
    check(figures.length > 0 && figures.every((t) => !t.endsWith('–')), `the report's figures of that frame are shown`);
    const settings = await page.$eval('#settings', (s) => s.textContent);
    check(settings.includes('Iterations'), 'the bind tag\'s settings are shown');

    await page.click('#strain');
    const strained = await shot();
    for (const side of ['skin', 'corrected']) {
      const share = changed(last[side], strained[side]);
      check(share > 0.01, `${side}: strain colours change the picture (${(100 * share).toFixed(1)} % of the pixels)`);
    }
    check(await page.$eval('#legend', (l) => !l.hidden), 'the strain legend is shown');
    await page.click('#wireframe');
    const wires = await shot();
    check(changed(strained.corrected, wires.corrected) > 0.01, 'wireframe changes the picture');
    await page.click('#wireframe');

    if (opts.screenshot) {
      await page.$eval('#frame', (slider) => {
        slider.value = String(Math.round(slider.max * 0.75));
        slider.dispatchEvent(new Event('input'));
      });
      await page.screenshot({ path: opts.screenshot });
    }
  } catch (error) {
    check(false, `the page could be driven to the end: ${error.message}`);
  } finally {
    check(problems.length === 0, `no errors and no requests leaving the file${problems.map((p) => `\n     ${p}`).join('')}`);
    if (failures.length > 0) {
      const file = path.join(out, 'failure.png');
      await page.screenshot({ path: file }).then(() => console.log(`screenshot of the failing state: ${file}`),
                                                  (e) => console.log(`no screenshot of the failing state: ${e.message}`));
    }
    await browser.close();
  }
  console.log(`viewer: ${passed} passed, ${failures.length} failed`);
  return failures.length === 0;
}

main().then((ok) => process.exit(ok ? 0 : 1), (error) => {
  console.error(`browser_test: ${error.stack ?? error}`);
  process.exit(1);
});
