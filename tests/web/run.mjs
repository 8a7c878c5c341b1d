// The web page's tests in Debian's chromium (headless, driven through the DevTools
// protocol by puppeteer-core; never a downloaded browser):
//   render mode: each frame's hash equals the Linux renderer's, at three sizes, with
//     keys that change scheme, force, drift and foam and show the help panel;
//   the live page: splash, then the sea; Enter, F1, Esc and a key to start again;
//     a new window size; start options and bad ones;
//   a missing or damaged .wasm: a readable message, not a blank page.
//
//   node run.mjs PAGE_DIR RENDERER [--shot FILE]   the tests
//   node run.mjs PAGE_DIR RENDERER --bench         ms per frame, page beside renderer
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const [pageDir, renderer, ...rest] = process.argv.slice(2);
const bench = rest.includes('--bench');
const shotAt = rest.includes('--shot') ? rest[rest.indexOf('--shot') + 1] : null;
if (!pageDir || !renderer) {
  console.error('usage: node run.mjs PAGE_DIR RENDERER [--shot FILE | --bench]');
  process.exit(2);
}
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'brine-web-'));
let failures = 0;
function check(ok, what) {
  if (!ok) failures++;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
}

// A plain static server, as any host would serve the folder: no special headers.
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
function serve(dir) {
  const server = http.createServer((request, response) => {
    const file = path.join(dir, path.normalize(new URL(request.url, 'http://x').pathname));
    if (!file.startsWith(dir) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    response.end(fs.readFileSync(file));
  });
  return new Promise((ok) => server.listen(0, '127.0.0.1', () => ok(server)));
}

const browser = await puppeteer.launch({
  executablePath: process.env.BRINE_CHROMIUM || '/usr/bin/chromium',
  ignoreDefaultArgs: true,
  pipe: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    `--user-data-dir=${fs.mkdtempSync(path.join(work, 'profile-'))}`],
});

async function openPage(base, query, viewport = { width: 800, height: 600 }) {
  const page = await browser.newPage();
  const console_ = [];
  page.on('console', (m) => console_.push({ type: m.type(), text: m.text() }));
  await page.setViewport({ ...viewport, deviceScaleFactor: 1 });
  await page.goto(`${base}/index.html${query ? '?' + query : ''}`);
  return { page, console: console_ };
}

// The page's report lines once it says "done".
async function renderReport(base, query) {
  const { page } = await openPage(base, query);
  await page.waitForFunction(() => document.getElementById('report').textContent.includes('done\n'),
    { timeout: 300000, polling: 100 });
  const text = await page.evaluate(() => document.getElementById('report').textContent);
  await page.close();
  return text.split('\n').filter((l) => l);
}

function nativeLines(args) {
  return execFileSync(renderer, [...args, '--quiet'], { encoding: 'utf8' }).split('\n').filter((l) => l);
}

// Pixels of a screenshot at points, as ImageMagick reads them ("#RRGGBB").
function pixels(file, points) {
  const format = points.map(([x, y]) => `%[hex:p{${x},${y}}] `).join('');
  return execFileSync('convert', [file, '-format', format, 'info:'], { encoding: 'utf8' })
    .trim().split(/\s+/).map((h) => '#' + h.slice(0, 6));
}

// The splash: black corners, and the start-up picture (655x214) in the middle.
function isSplash(file) {
  const [corner, other] = pixels(file, [[5, 5], [795, 595]]);
  const mean = execFileSync('convert', [file, '-crop', '655x214+72+193', '-format', '%[fx:mean]', 'info:'],
    { encoding: 'utf8' });
  return corner === '#000000' && other === '#000000' && Number(mean) > 0.01;
}

let shots = 0;
async function shoot(page) {
  const file = path.join(work, `shot-${shots++}.png`);
  await page.screenshot({ path: file });
  return file;
}

// Takes screenshots until `test(file)` holds; the last file, or null after `ms`.
async function waitForShot(page, test, ms = 15000) {
  const end = Date.now() + ms;
  while (Date.now() < end) {
    const file = await shoot(page);
    if (test(file)) return file;
    await new Promise((ok) => setTimeout(ok, 100));
  }
  return null;
}

const server = await serve(path.resolve(pageDir));
const base = `http://127.0.0.1:${server.address().port}`;

if (bench) {
  // The same frames in the page and in the renderer, one after the other, three
  // times: the machine's speed drifts, the ratio of neighbours much less.
  const frames = 300, size = '1920x1080';
  const ms = (line) => Number(/([0-9.]+) ms per frame/.exec(line)[1]);
  const ratios = [];
  // A first page compiles the module while it runs; the rounds measure code that is
  // compiled (and cached by the browser), as a page that has run a while is.
  await renderReport(base, `render=1&frames=60&size=${size}&seed=347`);
  for (let round = 1; round <= 3; round++) {
    const web = (await renderReport(base, `render=1&frames=${frames}&size=${size}&seed=347`))
      .find((l) => l.includes('ms per frame'));
    const native = nativeLines(['--frames', String(frames), '--size', size, '--seed', '347'])
      .find((l) => l.includes('ms per frame'));
    ratios.push(ms(web) / ms(native));
    console.log(`round ${round}: page ${ms(web).toFixed(2)} ms, renderer ${ms(native).toFixed(2)} ms ` +
      `per frame (${frames} frames at ${size}), page / renderer ${ratios.at(-1).toFixed(2)}`);
  }
  ratios.sort((a, b) => a - b);
  console.log(`page / renderer, median of 3: ${ratios[1].toFixed(2)}`);
  const size_ = (f) => fs.statSync(path.join(pageDir, f)).size;
  console.log(`brinemere.wasm ${size_('brinemere.wasm')} bytes, brinemere.js ${size_('brinemere.js')} bytes, ` +
    `together ${size_('brinemere.wasm') + size_('brinemere.js')}`);
} else {
  // ---- render mode against the renderer ----
  const cases = [
    { size: '640x480', seed: 347, frames: 12, keys: '2:Enter,3:CU,4:CU,5:CL,6:Space,8:F1,10:CD' },
    { size: '333x251', seed: 4321, frames: 6, keys: '1:Enter,1:Enter,2:CR,3:F1,4:F1' },
    { size: '1280x720', seed: 7, frames: 4, keys: '0:F1,1:CD',
      start: [['scheme', 'blue', '--scheme'], ['force', '2.6', '--force'], ['foam', '0', '--no-foam'],
        ['drift', 'right', '--drift']] },
  ];
  for (const c of cases) {
    const start = c.start || [];
    const query = `render=1&hashes=1&frames=${c.frames}&size=${c.size}&seed=${c.seed}` +
      `&keys=${encodeURIComponent(c.keys)}` + start.map(([n, v]) => `&${n}=${v}`).join('');
    const args = ['--hashes', '--frames', String(c.frames), '--size', c.size, '--seed', String(c.seed),
      '--keys', c.keys, ...start.flatMap(([n, v, flag]) => (n === 'foam' ? [flag] : [flag, v]))];
    const hashLine = (l) => /^[0-9]+ [0-9a-f]{16}$/.test(l);
    const web = (await renderReport(base, query)).filter(hashLine);
    const native = nativeLines(args).filter(hashLine);
    const distinct = new Set(native.map((l) => l.split(' ')[1])).size;
    check(native.length === c.frames && distinct === c.frames && web.join() === native.join(),
      `render ${c.size} seed ${c.seed} keys ${c.keys}${start.length ? ' ' + query.split('&').slice(-4).join('&') : ''}: ` +
      `${web.length} page frames, the same hashes as the renderer's ${native.length}` +
      (web.join() === native.join() ? '' : `\n  page:     ${web.join(' | ')}\n  renderer: ${native.join(' | ')}`));
  }
  for (const [query, reason] of [['frames=0&size=64x48', 'error: --frames wants'],
    ['size=16384x16384', 'error: size: at most'], ['keys=1:Move(3,4)', 'error: keys only'],
    ['out=frames', 'error: a page writes no files']]) {
    const refused = await renderReport(base, `render=1&${query}`);
    check(refused.some((l) => l.startsWith(reason)) && refused.at(-1) === 'done',
      `render mode refuses ${query}: ${refused.join(' / ')}`);
  }

  // ---- the live page ----
  // Under the panel: the teal sky, or the disc drifting into the point, at 50/256.
  const sky = '#EF7B02', water = '#460022', teal = '#00D290', panel = ['#00291C', '#002B1E'];
  const { page, console: lines } = await openPage(base, 'scheme=green&force=9');
  const splash = await waitForShot(page, isSplash, 10000);
  check(splash !== null, 'the splash first: black corners, the picture in the middle');
  const seaShot = await waitForShot(page, (f) => pixels(f, [[400, 20], [400, 598]]).join() === [sky, water].join());
  check(seaShot !== null, `then the sea: sky ${sky} at (400, 20), water ${water} at (400, 598)`);
  if (seaShot && shotAt) fs.copyFileSync(seaShot, shotAt);
  const warnings = lines.filter((l) => l.type === 'warn' || l.type === 'warning').map((l) => l.text);
  check(warnings.some((w) => w.includes('scheme=green')) && warnings.some((w) => w.includes('force=9')),
    `bad parameters ignored with console warnings: ${warnings.join(' / ')}`);
  // Full screen: a double click enters it, F11 leaves it (the browser's own Esc does
  // too, outside the page's reach).
  const fullScreen = () => page.evaluate(() => document.fullscreenElement !== null);
  await page.mouse.click(400, 300, { clickCount: 2 });
  const entered = await page.waitForFunction(() => document.fullscreenElement !== null, { timeout: 5000 })
    .then(() => true, () => false);
  await page.keyboard.press('F11');
  const left = await page.waitForFunction(() => document.fullscreenElement === null, { timeout: 5000 })
    .then(() => true, () => false);
  check(entered && left && !(await fullScreen()), 'a double click enters full screen, F11 leaves it');
  await page.keyboard.press('Enter');
  check(await waitForShot(page, (f) => pixels(f, [[400, 20]])[0] === teal) !== null,
    `Enter turns the sky teal ${teal}`);
  await page.keyboard.press('F1');
  check(await waitForShot(page, (f) => panel.includes(pixels(f, [[292, 228]])[0])) !== null,
    `F1 shows the help panel: (292, 228) darkened to ${panel.join(' or ')}`);
  await page.keyboard.press('Escape');
  const stopped = await waitForShot(page, isSplash);
  const stoppedLine = await page.evaluate(() => {
    const box = document.getElementById('stopped');
    return getComputedStyle(box).display !== 'none' ? box.textContent : '';
  });
  check(stopped !== null && /click or press a key/i.test(stoppedLine),
    `Esc stops it: the splash picture and "${stoppedLine}"`);
  await page.keyboard.press('Space');
  check(await waitForShot(page, (f) => pixels(f, [[400, 20], [400, 598]]).join() === [sky, water].join()) !== null,
    'a key starts it again: the sea at dusk');
  // A new window size: the sea is drawn again at it, in device pixels, in the
  // state it had (a teal sky after Enter). Sizes are multiples of 8, where the
  // window is as wide as the screen.
  for (const [width, height, scale, colour] of [[640, 400, 2, sky], [1024, 576, 1, teal]]) {
    if (colour === teal) await page.keyboard.press('Enter');
    await page.setViewport({ width, height, deviceScaleFactor: scale });
    const backing = await page.waitForFunction((w, h) => {
      const c = document.getElementById('sea');
      return c.width === w && c.height === h;
    }, { timeout: 5000, polling: 100 }, width * scale, height * scale).then(() => true, () => false);
    const [w, h] = await page.evaluate(() => [document.getElementById('sea').width,
      document.getElementById('sea').height]);
    // The water is dusk's; the teal sky is enough to tell the state was kept.
    const x = width * scale / 2, points = colour === sky ? [[x, 20], [x, height * scale - 2]] : [[x, 20]];
    const shot = await waitForShot(page, (f) =>
      pixels(f, points).join() === [colour, water].slice(0, points.length).join(), 5000);
    check(backing && shot !== null, `resized to ${width}x${height} at ${scale}x: the canvas ${w}x${h}, ` +
      `sky ${colour} at (${x}, 20)` + (colour === sky ? `, water ${water} at (${x}, ${height * scale - 2})` : ''));
  }
  // Stopped after runs without a splash, the page still shows the splash.
  await page.setViewport({ width: 800, height: 600, deviceScaleFactor: 1 });
  // Esc once the scene draws: a key before it starts is not the scene's.
  await page.waitForFunction(() => document.getElementById('sea').width === 800, { timeout: 5000, polling: 100 })
    .catch(() => {});
  await waitForShot(page, (f) => pixels(f, [[400, 20]])[0] === teal, 5000);
  await page.keyboard.press('Escape');
  check(await waitForShot(page, isSplash) !== null, 'Esc after the new sizes: the splash picture again');
  await page.close();

  const started = await openPage(base, 'scheme=teal&foam=0&drift=right&force=3');
  check(await waitForShot(started.page, (f) => pixels(f, [[400, 20]])[0] === teal) !== null &&
    !started.console.some((l) => l.type === 'warn' || l.type === 'warning'),
    'scheme=teal&foam=0&drift=right&force=3 starts on the teal sky, without a warning');
  // A run-time error during the run: its message stays on the page and the sea stops
  // drawing (the page's script time stops growing; a sea still running spends over
  // 40 ms of it in 1.5 s at 800x600).
  await started.page.evaluate(() => Module._web_page_runtime_error());
  const errorText = await started.page.evaluate(() => document.getElementById('message').textContent);
  const scriptTime = async () => (await started.page.metrics()).ScriptDuration;
  await new Promise((ok) => setTimeout(ok, 300));
  const before = await scriptTime();
  await new Promise((ok) => setTimeout(ok, 1500));
  const spent = (await scriptTime()) - before;
  check(/Out of memory/.test(errorText) && spent < 0.01,
    `a run-time error: "${errorText}" shown, then ${(spent * 1000).toFixed(1)} ms of script in 1.5 s`);
  await started.page.close();

  // ---- a missing or damaged .wasm ----
  for (const [what, wasm] of [['missing', null], ['damaged', Buffer.from('not a wasm module at all')]]) {
    const dir = fs.mkdtempSync(path.join(work, 'broken-'));
    for (const f of ['index.html', 'brinemere.js']) fs.copyFileSync(path.join(pageDir, f), path.join(dir, f));
    if (wasm) fs.writeFileSync(path.join(dir, 'brinemere.wasm'), wasm);
    const broken = await serve(dir);
    const { page: p } = await openPage(`http://127.0.0.1:${broken.address().port}`, '');
    const message = await p.waitForFunction(() => {
      const box = document.getElementById('message');
      return getComputedStyle(box).display !== 'none' && box.textContent;
    }, { timeout: 15000 }).then((h) => h.jsonValue()).catch(() => '');
    check(/could not start/.test(message) && /brinemere\.wasm/.test(message),
      `a ${what} .wasm: "${message.slice(0, 90)}..."`);
    await p.close();
    broken.close();
  }
}

await browser.close();
server.close();
fs.rmSync(work, { recursive: true, force: true });
if (!bench) console.log(failures ? `web: ${failures} failed` : 'web: all passed');
process.exit(failures ? 1 : 0);
