// The page's module under node: its answers against the native program's for
// the same options, one test per behaviour.
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import path from 'node:path';
import { test } from 'node:test';

import { BAD, CASES, FIELDS, MAP, compareCsv, haveNative, native } from './native.mjs';

const site = process.env.LODTHRESH_SITE || path.resolve('build-web', 'site');
const createLodthresh = createRequire(import.meta.url)(path.join(site, 'lodthresh.js'));
const module = await createLodthresh();

// The native build's musl-free libm and the module's musl one differ in the
// last bits of a few functions; 1e-12 relative is far above that.
const TOLERANCE = 1e-12;

function request(params, map) {
  const fields = Object.fromEntries(FIELDS.map((field) => [field, params[field] ?? '']));
  return { ...fields, map_name: map ? map.name : '', map_text: map ? map.text : '' };
}

// The page's answer, with the csv that its download button gets.
function answer(params, map) {
  const page = JSON.parse(module.calculate(request(params, map)));
  const csv = module.csv(request(params, map));
  return page.errors.length > 0 ? { ...page, csv: csv === '' ? undefined : csv } : { ...page, csv };
}

console.log(`references: ${haveNative ? 'the native build' : 'native_references.json'}`);

let largest = 0;
for (const kase of CASES) {
  test(`csv as the command line's: ${kase.name}`, () => {
    const page = answer(kase.params, kase.map);
    assert.deepEqual(page.errors, []);
    const expected = native(kase, 'csv');
    assert.equal(expected.status, 0, expected.stderr);
    largest = Math.max(largest, compareCsv(page.csv, expected.stdout, TOLERANCE));
  });
}

for (const kase of CASES) {
  test(`table cells are the command line's text format: ${kase.name}`, () => {
    const page = answer(kase.params, kase.map);
    // The text format names a simulation's seed in a first comment line.
    const lines = native(kase, 'text').stdout.trimEnd().split('\n').filter((line) => !line.startsWith('#'));
    // The text format's last column, the map's path, only with a map.
    const header = lines[0].trim().split(/\s+/);
    assert.deepEqual(page.header, kase.map ? header : header.filter((heading) => heading !== 'map'));
    assert.equal(page.rows.length, lines.length - 1);
    page.rows.forEach((row, i) => {
      const words = [...row.cells, ...(row.reason ? row.reason.split(' ') : [])];
      assert.deepEqual(words, lines[i + 1].trim().split(/\s+/));
    });
  });
}

for (const kase of BAD) {
  test(`a bad value gives the command line's message and no table: ${kase.name}`, () => {
    const page = answer(kase.params, kase.map);
    assert.equal(page.errors.length, 1);
    assert.equal(page.errors[0].field, kase.field);
    assert.equal(page.errors[0].message, kase.message);
    assert.equal(page.rows, undefined);
    assert.equal(page.csv, undefined);
    assert.equal(page.plots, undefined);
  });
}

test('the command shown gives the same options', () => {
  const page = answer(CASES[1].params);
  assert.equal(page.command,
    'lodthresh --length 16 --chromosomes 20 --design backcross --alpha all --spacing 0,1,5,10');
  assert.equal(answer({}).command, 'lodthresh --spacing 0');
  assert.equal(answer({ rate: "2,3'" }).errors.length, 1);
  assert.equal(answer({ design: 'sibs', spacing: '0' }).command, 'lodthresh --design sibs --spacing 0');
  assert.equal(answer(CASES[7].params, CASES[7].map).command,
    'lodthresh --map gmap.csv --design backcross,intercross --alpha all');
});

test('a plot per design, a curve per level, falling as the spacing grows', () => {
  const page = answer(CASES[3].params);
  assert.equal(page.plots.length, 4);
  for (const plot of page.plots) {
    assert.equal(plot.curves.length, 3);
    assert.equal(plot.spacings_cm[0], 0);
    assert.equal(plot.spacings_cm[plot.spacings_cm.length - 1], 20);
    plot.curves.forEach((curve, i) => {
      assert.equal(curve.length, plot.spacings_cm.length);
      for (let k = 1; k < curve.length; ++k) {
        assert.ok(curve[k] < curve[k - 1], `${plot.design} level ${plot.levels[i]} at ${plot.spacings_cm[k]} cM`);
      }
      assert.equal(plot.dense[i], curve[0]);
    });
  }
});

test("the plot's values are the table's at the same spacings", () => {
  const page = answer(CASES[3].params);
  const csv = page.csv.trimEnd().split('\n').map((line) => line.split(','));
  const column = Object.fromEntries(csv[0].map((name, i) => [name, i]));
  for (const row of csv.slice(1)) {
    const plot = page.plots.find((p) => p.design.startsWith(`${row[column.design]}:`));
    const level = plot.levels.indexOf(row[column.alpha]);
    const at = plot.spacings_cm.indexOf(Number(row[column.spacing_cm]));
    if (at >= 0) {
      assert.equal(plot.curves[level][at], Number(row[column.lod]));
    }
  }
});

test("the old fixed fractions are 0.93, 0.9, 0.85 and 0.8 of the dense map's LOD", () => {
  const plot = answer({ design: 'sibs' }).plots[0];
  assert.deepEqual(plot.fixed_spacings_cm, [1, 2, 5, 10]);
  assert.deepEqual(plot.fixed[0], [0.93, 0.9, 0.85, 0.8].map((f) => f * plot.dense[0]));
});

test("with a map, the map's own threshold is marked at its mean spacing", () => {
  const kase = CASES[7];
  const page = answer(kase.params, kase.map);
  const csv = page.csv.trimEnd().split('\n').map((line) => line.split(','));
  const lod = csv[0].indexOf('lod');
  for (const [d, plot] of page.plots.entries()) {
    assert.equal(plot.map.length, 3);
    plot.map.forEach((value, i) => assert.equal(value, Number(csv[1 + 3 * d + i][lod])));
    assert.ok(plot.map_spacing_cm > 20 && plot.map_spacing_cm < 40);
    // A map sparser than 20 cM widens the axis to show its threshold.
    assert.ok(plot.x_ticks[plot.x_ticks.length - 1] >= plot.map_spacing_cm);
    assert.ok(plot.spacings_cm[plot.spacings_cm.length - 1] >= plot.map_spacing_cm);
  }
});

test('a map of any spacing widens the axis in at most 8 ticks, and one of none not at all', () => {
  // Mean spacings of 50 cM, 1e6 cM and 1e300 cM; and one whose interval is
  // beyond the doubles, with no threshold and no mean to mark.
  const cases = [
    ['50', 50, ['0', '10', '20', '30', '40', '50']],
    ['1e6', 1e6, ['0', '2e+05', '4e+05', '6e+05', '8e+05', '1e+06']],
    ['1e300', 1e300, null],
  ];
  for (const [far, mean, labels] of cases) {
    const map = { name: 'sparse.csv', text: `marker,chr,pos\nm1,1,0\nm2,1,${far}\n` };
    const [plot] = answer({ design: 'backcross' }, map).plots;
    assert.equal(plot.map_spacing_cm, mean);
    assert.ok(plot.x_ticks.length <= 9 && plot.x_ticks[plot.x_ticks.length - 1] >= mean, far);
    assert.ok(plot.spacings_cm.length <= 17 + 16, far);
    assert.equal(plot.spacings_cm[plot.spacings_cm.length - 1], plot.x_ticks[plot.x_ticks.length - 1]);
    assert.ok(plot.map[0] > 0, far);
    if (labels) {
      assert.deepEqual(plot.x_ticks_labels, labels);
    }
  }
  const beyond = { name: 'beyond.csv', text: 'marker,chr,pos\nm1,1,-1e308\nm2,1,1e308\n' };
  const page = answer({ design: 'backcross' }, beyond);
  assert.equal(page.rows[0].ok, false);
  assert.equal(page.plots[0].map_spacing_cm, null);
  assert.deepEqual(page.plots[0].x_ticks_labels, ['0', '5', '10', '15', '20']);
});

test('axis ticks are short decimals, from 0 past the highest value', () => {
  for (const params of [CASES[3].params, { length: '0.3', chromosomes: '1', alpha: '0.3' }, { alpha: '1e-9' }]) {
    for (const plot of answer(params).plots) {
      assert.equal(plot.y_ticks[0], 0);
      assert.ok(plot.y_ticks.length >= 2 && plot.y_ticks.length <= 12, plot.y_ticks.join(' '));
      assert.ok(plot.y_ticks[plot.y_ticks.length - 1] >= Math.max(...plot.curves.flat()));
      for (const label of [...plot.y_ticks_labels, ...plot.x_ticks_labels]) {
        assert.match(label, /^\d{1,3}(\.\d{1,3})?$/);
      }
      assert.deepEqual(plot.x_ticks_labels, ['0', '5', '10', '15', '20']);
    }
  }
});

test("a map's name with blanks stays one cell, quoted in the command", () => {
  const page = answer({ design: 'sibs' }, { ...MAP, name: "my map's.csv" });
  assert.equal(page.header[page.header.length - 1], 'map');
  for (const row of page.rows) {
    assert.equal(row.cells.length, page.header.length);
    assert.equal(row.cells[row.cells.length - 1], "my map's.csv");
  }
  assert.equal(page.command, "lodthresh --map 'my map'\\''s.csv' --design sibs");
  assert.match(page.csv.split('\n')[1], /^[^,]+,3,my map's\.csv,sibs,/);
});

test("a simulation past the page's 5 s limit stops, the formula's values kept", () => {
  // 10^6 dense-map scans take minutes on one thread.
  const page = answer({ design: 'backcross', spacing: '0', simulate: '1000000' });
  assert.match(page.note, /^The simulation stopped at the page's limit of 5 s/);
  const cells = page.rows[0].cells;
  const lod = page.header.indexOf('lod');
  assert.equal(cells[lod], '3.619');
  assert.deepEqual(cells.slice(page.header.indexOf('sim_lod')), ['-', '-', '-', '-']);
  // A simulation within the limit has no note.
  assert.equal(answer({ design: 'backcross', spacing: '10', simulate: '100' }).note, undefined);
});

test("a simulation beyond the module's 2 GiB is a fault that says so", () => {
  // 2^28 maxima of 8 bytes: the simulation's own bound, the module's whole memory.
  const params = { design: 'backcross', spacing: '10', simulate: String(2 ** 28) };
  const page = JSON.parse(module.calculate(request(params)));
  assert.match(page.fault, /^the page ran out of memory/);
  assert.equal(module.csv(request(params)), '');
});

test('a simulated answer brings the csv of its own rows, for the download', () => {
  const params = { design: 'backcross', spacing: '1,10', alpha: 'all', simulate: '1000' };
  const own = JSON.parse(module.calculate(request(params))).csv;
  assert.equal(own, module.csv(request(params)));
  assert.equal(own.trimEnd().split('\n').length, 1 + 6);
  assert.equal(JSON.parse(module.calculate(request({ design: 'backcross' }))).csv, undefined);
});

// The CASES of power rows, by name.
const powerCase = (name) => CASES.find((kase) => kase.name === name);

test('the command shown keeps the options of power rows', () => {
  assert.equal(answer(powerCase('power at shares of variance and individuals').params).command,
    'lodthresh --length 14.5 --chromosomes 20 --design backcross --spacing 5 --individuals 100,200 --pve 0.05,0.1');
  assert.equal(answer({ noncentrality: '2,3' }).command, 'lodthresh --spacing 0 --noncentrality 2,3');
  assert.equal(answer({ design: 'intercross', pve: '0.1', dominance: '0.5', 'target-power': '0.8' }).command,
    'lodthresh --design intercross --pve 0.1 --dominance 0.5 --target-power 0.8');
});

test('power rows say so, and whether a design has a dominance ratio', () => {
  const power = answer(powerCase('individuals that reach a target power').params);
  assert.equal(power.power, true);
  assert.equal(power.dominance_applies, true);
  const thresholds = answer({ design: 'backcross' });
  assert.equal(thresholds.power, undefined);
  assert.equal(thresholds.dominance_applies, false);
});

test('a power plot per design, a curve per level and share of variance, rising with the individuals', () => {
  const params = { design: 'backcross,intercross', length: '16', chromosomes: '20', spacing: '5', alpha: 'all',
    pve: '0.02,0.05,0.1', individuals: '50,250,400' };
  const page = answer(params);
  assert.equal(page.plots.length, 2);
  const csv = page.csv.trimEnd().split('\n').map((line) => line.split(','));
  const column = Object.fromEntries(csv[0].map((name, i) => [name, i]));
  for (const plot of page.plots) {
    assert.equal(plot.kind, 'power');
    assert.equal(plot.curves.length, 9);
    assert.equal(plot.individuals[0], 20);
    assert.equal(plot.individuals[plot.individuals.length - 1], 1000);
    assert.deepEqual(plot.x_ticks_labels, ['20', '50', '100', '200', '500', '1000']);
    assert.deepEqual(plot.y_ticks, [0, 0.2, 0.4, 0.6, 0.8, 1]);
    for (const [i, curve] of plot.curves.entries()) {
      assert.equal(curve.length, plot.individuals.length);
      for (let k = 1; k < curve.length; ++k) {
        assert.ok(plot.individuals[k] > plot.individuals[k - 1]);
        assert.ok(curve[k] >= curve[k - 1], `${plot.design} α ${plot.levels[i]} pve ${plot.pves[i]} at ${plot.individuals[k]}`);
      }
      assert.ok(curve[curve.length - 1] > curve[0]);
    }
    // Through the table's rows: the curve of the row's level and share at its n.
    const rows = csv.slice(1).filter((row) => plot.design.startsWith(`${row[column.design]}:`));
    assert.equal(rows.length, 27);
    for (const row of rows) {
      const curve = plot.curves.findIndex((c, i) => plot.levels[i] === row[column.alpha] && plot.pves[i] === row[column.pve]);
      const at = plot.individuals.indexOf(Number(row[column.individuals]));
      assert.ok(curve >= 0 && at >= 0, row.join(','));
      assert.equal(plot.curves[curve][at], Number(row[column.power]));
    }
  }
  assert.equal(page.plots[1].dominance, '0');
  assert.equal(page.plots[0].dominance, undefined);
});

test("a power plot widens to the solved individuals and marks the target", () => {
  const page = answer({ design: 'backcross', pve: '0.01', 'target-power': '0.8' });
  const csv = page.csv.trimEnd().split('\n').map((line) => line.split(','));
  const n = Number(csv[1][csv[0].indexOf('individuals')]);
  assert.ok(n > 1000);
  const [plot] = page.plots;
  assert.deepEqual(plot.targets, [0.8]);
  assert.ok(plot.x_ticks[plot.x_ticks.length - 1] >= n);
  const at = plot.individuals.indexOf(n);
  assert.ok(plot.curves[0][at] >= 0.8 && plot.curves[0][at - 1] < 0.8);
  // A noncentrality does not change with the individuals: no plot.
  assert.deepEqual(answer({ design: 'sibs', noncentrality: '3' }).plots, []);
});

test("the designs are listed in the command line's order", () => {
  const designs = JSON.parse(module.designs());
  assert.equal(designs.length, 14);
  assert.equal(designs[0].name, 'lod-score');
  const intercross = designs.find((d) => d.name === 'intercross');
  assert.equal(intercross.tail, '2df');
  assert.equal(intercross.rate, 1.5);
});

test('largest relative difference from the native program', (t) => {
  t.diagnostic(`largest relative difference page vs native: ${largest.toExponential(2)}`);
  assert.ok(largest <= TOLERANCE);
});
