// The page in headless Chromium (Debian's), driven by playwright-core: served
// from the built site on 127.0.0.1, its table compared with the native
// program's for the same options, one test per behaviour.
import assert from 'node:assert/strict';
import { readFileSync, readdirSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { cpus, loadavg } from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { chromium } from 'playwright-core';

import { BAD, CASES, MAP, compareCsv, native } from './native.mjs';

const site = process.env.LODTHRESH_SITE || path.resolve('build-web', 'site');
const screenshot = path.join(site, '..', 'page-screenshot.png');
const SITE_LIMIT = 500 * 1024;
const TOLERANCE = 1e-12;
const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.css': 'text/css',
  '.js': 'text/javascript',
  '.wasm': 'application/wasm',
};

let server;
let origin;
let browser;

before(async () => {
  server = createServer((request, response) => {
    const name = new URL(request.url, 'http://127.0.0.1').pathname.replace(/^\/$/, '/index.html');
    const file = path.join(site, path.normalize(name));
    if (!file.startsWith(site) || !statSync(file, { throwIfNoEntry: false })?.isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'content-type': TYPES[path.extname(file)] ?? 'application/octet-stream' });
    response.end(readFileSync(file));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  origin = `http://127.0.0.1:${server.address().port}`;
  browser = await chromium.launch({
    executablePath: process.env.LODTHRESH_CHROMIUM || '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--disable-dev-shm-usage'],
  });
});

after(async () => {
  await browser?.close();
  await new Promise((resolve) => (server ? server.close(resolve) : resolve()));
});

// Closes the page's context, which must have had no uncaught error, failed
// load or request to another site.
async function close(page) {
  assert.deepEqual(page.errors, []);
  await page.context().close();
}

function query(params) {
  return Object.entries(params).map(([key, value]) => `${key}=${value}`).join('&');
}

async function open(params, viewport = { width: 1280, height: 1000 }) {
  const context = await browser.newContext({ viewport, acceptDownloads: true });
  const page = await context.newPage();
  // Uncaught errors, failed loads, and anything asked of another site.
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error.message));
  page.on('request', (request) => {
    if (!/^(data|blob):/.test(request.url()) && !request.url().startsWith(`${origin}/`)) {
      page.errors.push(`asked another site: ${request.url()}`);
    }
  });
  page.on('response', (response) => {
    if (response.status() >= 400) {
      page.errors.push(`${response.status()}: ${response.url()}`);
    }
  });
  await page.goto(`${origin}/?${query(params)}`);
  await page.waitForFunction(() => document.getElementById('results').dataset.redrawMs !== undefined);
  return page;
}

// The table as the page shows it: its headings, and each row's cells.
async function tableOf(page) {
  return page.evaluate(() => ({
    header: [...document.querySelectorAll('#table thead th')].map((th) => th.textContent),
    rows: [...document.querySelectorAll('#table tbody tr')].map(
      (tr) => [...tr.querySelectorAll('td')].map((td) => td.textContent)),
  }));
}

// The words of each line of the command line's text table.
function textLines(stdout) {
  return stdout.trimEnd().split('\n').map((line) => line.trim().split(/\s+/));
}

function rowWords(cells) {
  return cells.flatMap((cell) => cell.split(' '));
}

async function plotsOf(page) {
  return page.evaluate(() => [...document.querySelectorAll('#plots svg')].map((plot) => ({
    title: plot.querySelector('title').textContent,
    curves: [...plot.querySelectorAll('.level .curve')].map((curve) => curve.getAttribute('d')),
    dense: plot.querySelectorAll('.level .dense').length,
    fixed: plot.querySelectorAll('.level .fixed').length,
    map: plot.querySelectorAll('.level .map').length,
  })));
}

// The y of each point of an SVG path "Mx,yLx,y...": the LOD falls as y grows.
function ysOf(d) {
  return [...d.matchAll(/[ML]([-\d.]+),([-\d.]+)/g)].map((match) => Number(match[2]));
}

test('the site is under 500 KB', (t) => {
  const bytes = readdirSync(site).reduce((sum, name) => sum + statSync(path.join(site, name)).size, 0);
  t.diagnostic(`site: ${bytes} bytes (${(bytes / 1024).toFixed(1)} KB)`);
  assert.ok(bytes < SITE_LIMIT, `${bytes} bytes`);
});

test("a URL's table is the command line's, and comes within a second", async (t) => {
  const kase = CASES[1];
  const page = await open(kase.params);
  await page.waitForSelector('#table tbody tr');
  const marks = await page.evaluate(() => Object.fromEntries(
    ['lodthresh-module-ready', 'lodthresh-first-table'].map((name) => [name,
      performance.getEntriesByName(name)[0].startTime.toFixed(0)])));
  const loaded = await page.evaluate(() => performance.getEntriesByType('navigation')[0].domContentLoadedEventEnd.toFixed(0));
  t.diagnostic(`first table: ${marks['lodthresh-first-table']} ms after navigation (document ${loaded} ms, ` +
    `module ${marks['lodthresh-module-ready']} ms)`);
  const table = await tableOf(page);
  const lines = textLines(native(kase, 'text').stdout);
  assert.deepEqual(table.header, lines[0].filter((heading) => heading !== 'map'));
  assert.deepEqual(table.rows.map(rowWords), lines.slice(1));
  assert.equal(await page.inputValue('#design'), 'backcross');
  assert.equal(await page.textContent('#command'),
    'lodthresh --length 16 --chromosomes 20 --design backcross --alpha all --spacing 0,1,5,10');
  await close(page);
});

test('changing an input redraws the table, the URL and the plots', async (t) => {
  const kase = CASES[3];
  const page = await open({ design: 'backcross,intercross,sibs,ril-selfing', spacing: kase.params.spacing });
  await page.fill('#alpha', 'all');
  await page.waitForFunction(() => document.querySelectorAll('#table tbody tr').length === 96);
  const url = new URL(page.url());
  assert.equal(url.search, `?${query({ design: kase.params.design, alpha: 'all', spacing: kase.params.spacing })}`);
  const table = await tableOf(page);
  assert.deepEqual(table.rows.map(rowWords), textLines(native(kase, 'text').stdout).slice(1));
  const plots = await plotsOf(page);
  assert.equal(plots.length, 4);
  for (const plot of plots) {
    assert.equal(plot.curves.length, 3, plot.title);
    assert.equal(plot.dense, 3);
    assert.equal(plot.fixed, 12);
    for (const d of plot.curves) {
      const ys = ysOf(d);
      assert.equal(ys.length, 17);
      for (let i = 1; i < ys.length; ++i) {
        assert.ok(ys[i] >= ys[i - 1], `${plot.title}: ${d}`);
      }
      assert.ok(ys[ys.length - 1] > ys[0], plot.title);
    }
  }
  // The redraw of 3 levels x 8 spacings x 4 designs, measured in the page
  // (module and drawing) and around it (an input event to the new table).
  // From the input event to the next frame: the module, the table and plots,
  // layout and paint.
  const times = [];
  for (const alpha of ['suggestive,significant,0.01', 'all', 'suggestive,significant,0.02', 'all',
    'suggestive,significant,0.01', 'all', 'suggestive,significant,0.03', 'all', '0.1,0.2,0.3', 'all']) {
    const frame = await page.evaluate(async (a) => {
      const input = document.getElementById('alpha');
      const started = performance.now();
      input.value = a;
      input.dispatchEvent(new Event('input', { bubbles: true }));
      await new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
      return performance.now() - started;
    }, alpha);
    assert.equal(new URL(page.url()).searchParams.get('alpha'), alpha);
    times.push({ ...await page.evaluate(() => ({ ...document.getElementById('results').dataset })),
      frame: frame.toFixed(1) });
  }
  const median = (values) => values.map(Number).sort((a, b) => a - b)[Math.floor(values.length / 2)];
  t.diagnostic(`redraw of 96 rows and 4 plots: module ${times.map((time) => time.moduleMs).join(', ')} ms; ` +
    `module and drawing ${times.map((time) => time.redrawMs).join(', ')} ms; ` +
    `input event to the next frame ${times.map((time) => time.frame).join(', ')} ms`);
  t.diagnostic(`redraw medians: module ${median(times.map((time) => time.moduleMs))} ms, module and drawing ` +
    `${median(times.map((time) => time.redrawMs))} ms, to the next frame ${median(times.map((time) => time.frame))} ms ` +
    `(load average ${loadavg()[0].toFixed(1)} on ${cpus().length} cores)`);
  await close(page);
});

test("a bad value shows the command line's message beside its input and no table", async () => {
  const page = await open({});
  for (const kase of BAD.filter((bad) => Object.keys(bad.params).length === 1 && !bad.map)) {
    const [field, value] = Object.entries(kase.params)[0];
    await page.fill(`#${field}`, value);
    await page.waitForFunction((f) => document.getElementById(`${f}-message`).textContent !== '', field);
    assert.equal(await page.textContent(`#${field}-message`), kase.message, kase.name);
    assert.equal(await page.getAttribute(`#${field}`, 'aria-invalid'), 'true');
    assert.equal(await page.getAttribute(`#${field}`, 'aria-describedby'), `${field}-message`);
    assert.equal(await page.locator('#table tr').count(), 0);
    assert.equal(await page.locator('#plots svg').count(), 0);
    assert.ok(await page.isDisabled('#download'));
    await page.fill(`#${field}`, '');
    await page.waitForFunction(() => document.querySelectorAll('#table tbody tr').length > 0);
  }
  await close(page);
});

test("power rows: the command line's table, a rising plot per design, the dominance ratio for intercross designs", async () => {
  const kase = CASES.find((c) => c.name === 'individuals that reach a target power');
  const page = await open(kase.params);
  await page.waitForSelector('#table tbody tr');
  const table = await tableOf(page);
  const lines = textLines(native(kase, 'text').stdout);
  assert.deepEqual(table.header, lines[0].filter((heading) => heading !== 'map'));
  assert.deepEqual(table.rows.map(rowWords), lines.slice(1));
  assert.equal(await page.textContent('#results-title'), 'Power');
  assert.match(await page.textContent('#table caption'), /^Power, /);
  assert.equal(await page.inputValue('#target-power'), '0.8');
  assert.ok(await page.isVisible('#dominance'));
  const plots = await page.evaluate(() => [...document.querySelectorAll('#plots svg')].map((plot) => ({
    title: plot.querySelector('title').textContent,
    curves: [...plot.querySelectorAll('.level .curve')].map((curve) => curve.getAttribute('d')),
    targets: plot.querySelectorAll('.target').length,
  })));
  assert.equal(plots.length, 2);
  for (const plot of plots) {
    assert.match(plot.title, /^Power against the number of individuals, /);
    assert.equal(plot.curves.length, 3, plot.title);
    assert.equal(plot.targets, 1);
    for (const d of plot.curves) {
      // Power rises with the individuals: up the plot, y falls.
      const ys = ysOf(d);
      assert.ok(ys.length > 10, d);
      for (let i = 1; i < ys.length; ++i) {
        assert.ok(ys[i] <= ys[i - 1], `${plot.title}: ${d}`);
      }
    }
  }
  // A backcross has no dominance ratio: its field goes, and comes back with
  // an intercross design.
  await page.fill('#design', 'backcross');
  await page.waitForFunction(() => document.getElementById('dominance-field').hidden);
  await page.fill('#design', 'intercross');
  await page.waitForFunction(() => !document.getElementById('dominance-field').hidden);
  await page.fill('#dominance', '0.5');
  await page.waitForFunction(() => new URL(location.href).searchParams.get('dominance') === '0.5');
  assert.match(await page.textContent('#command'), /--pve 0\.05 --dominance 0\.5 --target-power 0\.8$/);
  // A ratio given stays in view with its message when the designs change.
  await page.fill('#design', 'backcross');
  await page.waitForFunction(() => document.getElementById('dominance-message').textContent !== '');
  assert.ok(await page.isVisible('#dominance'));
  assert.match(await page.textContent('#dominance-message'), /^Dominance ratio: only with the intercross designs/);
  await close(page);
});

test('the CSV download holds the table, a simulated one too', async () => {
  for (const kase of [CASES[4], CASES[8]]) {
    const page = await open(kase.params);
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
    assert.equal(download.suggestedFilename(), 'lodthresh.csv');
    const csv = readFileSync(await download.path(), 'utf8');
    compareCsv(csv, native(kase, 'csv').stdout, TOLERANCE);
    await close(page);
  }
});

test("a map file is read in the page and gives the map's thresholds", async () => {
  const kase = CASES[7];
  const page = await open(kase.params);
  await page.setInputFiles('#map', { name: MAP.name, mimeType: 'text/csv', buffer: Buffer.from(MAP.text) });
  await page.waitForFunction(() => document.querySelector('#table thead th') &&
    document.getElementById('command').textContent.includes('--map'));
  const table = await tableOf(page);
  assert.deepEqual(table.rows.map(rowWords), textLines(native(kase, 'text').stdout).slice(1));
  assert.ok(await page.isDisabled('#length'));
  const plots = await plotsOf(page);
  assert.deepEqual(plots.map((plot) => plot.map), [3, 3]);
  await close(page);
});

test('once loaded, the page works offline', async () => {
  const page = await open({ design: 'sibs' });
  await page.context().setOffline(true);
  await page.fill('#alpha', 'all');
  await page.waitForFunction(() => document.querySelectorAll('#table tbody tr').length === 3);
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
  assert.match(readFileSync(await download.path(), 'utf8'), /^length,chromosomes,map,design,/);
  await close(page);
});

test('keyboard only: the inputs and the download are reached with Tab', async () => {
  const page = await open({});
  const reached = [];
  for (let i = 0; i < 50; ++i) {
    await page.keyboard.press('Tab');
    reached.push(await page.evaluate(() => document.activeElement.id || document.activeElement.tagName));
  }
  for (const id of ['length', 'chromosomes', 'map', 'design', 'rate', 'tail', 'alpha', 'spacing', 'individuals', 'pve',
    'noncentrality', 'target-power', 'download']) {
    assert.ok(reached.includes(id), `${id} not reached: ${reached.join(' ')}`);
  }
  await page.focus('.presets button:nth-child(2)');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => new URL(location.href).search === '?length=16&chromosomes=20');
  assert.equal(await page.inputValue('#chromosomes'), '20');
  await page.focus('#length');
  await page.keyboard.press('Backspace');
  await page.keyboard.press('Backspace');
  await page.keyboard.type('33');
  await page.waitForFunction(() => new URL(location.href).searchParams.get('length') === '33');
  await close(page);
});

test('at 360 px nothing but the table scrolls sideways, and print shows the results alone', async () => {
  const page = await open({ design: 'all', alpha: 'all' }, { width: 360, height: 740 });
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 360));
  await page.emulateMedia({ media: 'print' });
  assert.ok(!(await page.isVisible('#inputs')));
  assert.ok(await page.isVisible('#table'));
  assert.ok(await page.isVisible('#plots svg'));
  await close(page);
});

test('a simulated table puts its thresholds on the plots, each with its bar of ±2 standard errors', async () => {
  const page = await open({ length: '16', chromosomes: '20', design: 'backcross,intercross', alpha: '0.05',
    spacing: '1,5,10', simulate: '1000', seed: '7' });
  await page.waitForSelector('#table tbody tr');
  const table = await tableOf(page);
  const lod = table.header.indexOf('sim_lod');
  const se = table.header.indexOf('sim_se');
  assert.ok(lod > 0 && se > 0, table.header.join(' '));
  const plots = await page.evaluate(() => [...document.querySelectorAll('#plots svg')].map((plot) => ({
    title: plot.querySelector('title').textContent,
    // The y of each tick's label, for its value.
    ticks: [...plot.querySelectorAll('.y-tick')].map((text) => [Number(text.textContent), Number(text.getAttribute('y'))]),
    points: [...plot.querySelectorAll('.level .sim')].map((rect) => Number(rect.getAttribute('y')) + 3),
    bars: [...plot.querySelectorAll('.level .sim-bar')].map((path) =>
      [...path.getAttribute('d').matchAll(/[MV]([-\d.]+),?([-\d.]+)?/g)].map((m) => Number(m[2] ?? m[1]))),
    caption: plot.closest('figure').querySelector('figcaption').textContent,
  })));
  assert.equal(plots.length, 2);
  for (const [d, plot] of plots.entries()) {
    assert.match(plot.caption, /squares with bars: the simulated thresholds of the table, ±2 standard errors/);
    // LOD to y, from the axis' first and last ticks.
    const [[v0, y0], [v1, y1]] = [plot.ticks[0], plot.ticks[plot.ticks.length - 1]];
    const yOf = (value) => y0 + ((value - v0) / (v1 - v0)) * (y1 - y0);
    const pixelsPerLod = Math.abs((y1 - y0) / (v1 - v0));
    const rows = table.rows.slice(3 * d, 3 * d + 3);
    assert.equal(plot.points.length, 3, plot.title);
    assert.equal(plot.bars.length, 3, plot.title);
    plot.points.forEach((y, k) => {
      const simLod = Number(rows[k][lod]);
      const simSe = Number(rows[k][se]);
      // The table's three decimals and the plot's tenth of a pixel.
      const slack = 0.0005 * pixelsPerLod + 0.1;
      assert.ok(Math.abs(y - yOf(simLod)) <= slack, `${plot.title}: ${y} against ${yOf(simLod)}`);
      // The bar: its low end (y of sim_lod - 2 se) down the plot, its high end up.
      const [low, high] = [plot.bars[k][0], plot.bars[k][plot.bars[k].length - 1]];
      assert.ok(Math.abs(low - yOf(simLod - 2 * simSe)) <= slack + 0.001 * pixelsPerLod, `${low}`);
      assert.ok(Math.abs(high - yOf(simLod + 2 * simSe)) <= slack + 0.001 * pixelsPerLod, `${high}`);
      assert.ok(low > y && y > high, `${low} ${y} ${high}`);
    });
  }
  await close(page);
});

test('at 390 px the table scrolls in its own box to its LOD column, and a link brings the results into view',
  async () => {
    const params = { design: 'backcross,intercross,intercross-additive,intercross-dominance', alpha: 'all',
      spacing: '5', individuals: '150', simulate: '200' };
    const page = await open(params, { width: 390, height: 844 });
    await page.waitForSelector('#table tbody tr');
    assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 390),
      String(await page.evaluate(() => document.documentElement.scrollWidth)));
    // The results are below the inputs, out of view; the link at the top
    // brings them in.
    const inView = () => page.evaluate(() => {
      const rect = document.getElementById('results-title').getBoundingClientRect();
      return rect.top >= 0 && rect.bottom <= window.innerHeight;
    });
    assert.ok(!(await inView()));
    assert.ok(await page.isVisible('#to-results'));
    await page.click('#to-results');
    await page.waitForFunction(() => {
      const rect = document.getElementById('results-title').getBoundingClientRect();
      return rect.top >= 0 && rect.bottom <= window.innerHeight;
    });
    // The table's own box scrolls sideways to the LOD column; the page does not.
    const box = await page.evaluate(() => {
      const wrap = document.querySelector('.table-wrap');
      const before = { scroll: wrap.scrollWidth, client: wrap.clientWidth };
      const th = wrap.querySelector('th[data-column="lod"]');
      wrap.scrollLeft += th.getBoundingClientRect().left - wrap.getBoundingClientRect().left;
      const cell = th.getBoundingClientRect();
      const shown = wrap.getBoundingClientRect();
      // Within a pixel: the box scrolls by whole pixels.
      return { ...before, left: wrap.scrollLeft, lodShown: cell.left >= shown.left - 1 && cell.right <= shown.right + 1,
        pageX: window.scrollX, width: document.documentElement.scrollWidth };
    });
    assert.ok(box.scroll > box.client, JSON.stringify(box));
    assert.ok(box.left > 0 && box.lodShown, JSON.stringify(box));
    assert.equal(box.pageX, 0);
    assert.ok(box.width <= 390);
    // No results, no link.
    await page.fill('#length', '-3');
    await page.waitForFunction(() => document.getElementById('to-results').hidden);
    await close(page);

    // At 1280 px the results are beside the inputs: no link, and the table
    // fits or scrolls in its own box.
    const wide = await open(params);
    await wide.waitForSelector('#table tbody tr');
    const fit = await wide.evaluate(() => {
      const wrap = document.querySelector('.table-wrap');
      return { page: document.documentElement.scrollWidth, right: wrap.getBoundingClientRect().right,
        scroll: wrap.scrollWidth, client: wrap.clientWidth };
    });
    assert.ok(fit.page <= 1280 && fit.right <= 1280, JSON.stringify(fit));
    assert.ok(!(await wide.isVisible('#to-results')));
    await close(wide);
  });

test('a screenshot of the page', async (t) => {
  const page = await open({ ...CASES[1].params, design: 'backcross,intercross' }, { width: 1100, height: 900 });
  await page.screenshot({ path: screenshot, fullPage: true });
  t.diagnostic(`screenshot: ${screenshot}`);
  await close(page);
});
