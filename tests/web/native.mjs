// The native program's answers to the requests the page's tests make: run
// from the native build when it is there (LODTHRESH_NATIVE, default
// build/lodthresh), else read from native_references.json, which
// `node tests/web/native.mjs --write` makes from the native build.
import { execFileSync, spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const referencesFile = path.join(here, 'native_references.json');
const program = process.env.LODTHRESH_NATIVE || path.join(here, '..', '..', 'build', 'lodthresh');

export const FIELDS = ['length', 'chromosomes', 'design', 'rate', 'tail', 'alpha', 'spacing', 'scan', 'step', 'lod',
  'individuals', 'pve', 'dominance', 'noncentrality', 'target-power', 'simulate', 'seed'];

// A small qtl2 map: three chromosomes, markers in cM.
export const MAP = {
  name: 'gmap.csv',
  text: 'marker,chr,pos\n' +
    'm1,1,0\nm2,1,12.5\nm3,1,30\nm4,1,61\nm5,1,95.5\n' +
    'm6,2,0\nm7,2,20\nm8,2,41\nm9,2,80\n' +
    'm10,3,3\nm11,3,33\nm12,3,71.25\n',
};

// The requests, as the page's URL parameters (and a map), that the tests
// compare with the command line given the same options.
export const CASES = [
  { name: 'defaults', params: {} },
  { name: 'mouse backcross at every level',
    params: { design: 'backcross', length: '16', chromosomes: '20', alpha: 'all', spacing: '0,1,5,10' } },
  { name: 'every design', params: { design: 'all' } },
  { name: 'four designs, three levels, eight spacings',
    params: { design: 'backcross,intercross,sibs,ril-selfing', alpha: 'all', spacing: '0,0.5,1,2,5,10,15,20' } },
  { name: 'custom rates two-sided', params: { rate: '1,2.5', tail: 'two-sided', alpha: 'significant,0.01' } },
  { name: 'custom rate 2df', params: { rate: '1.5', tail: '2df', spacing: '0,2.5' } },
  { name: 'lists of lengths and chromosomes', params: { length: '20,33', chromosomes: '1,10', design: 'sibs' } },
  { name: 'a map', params: { design: 'backcross,intercross', alpha: 'all' }, map: MAP },
  { name: 'simulated, seed 7',
    params: { design: 'backcross,intercross', length: '16', chromosomes: '20', alpha: 'all', spacing: '1,10',
      simulate: '2000', seed: '7' } },
  { name: 'a map simulated', params: { design: 'sibs', alpha: 'all', simulate: '3000' }, map: MAP },
  { name: 'p-values of peaks', params: { design: 'backcross,sibs', spacing: '0,10', lod: '2.5,3.4,6' } },
  { name: 'p-values on a map, simulated', params: { design: 'backcross', lod: '3', simulate: '2000' }, map: MAP },
  { name: 'interval mapping at spacings',
    params: { design: 'backcross,intercross', length: '16', chromosomes: '20', spacing: '5,20', scan: 'interval' } },
  { name: 'interval mapping of a map at a step, simulated',
    params: { design: 'backcross', alpha: 'all', scan: 'interval', step: '2', simulate: '2000' }, map: MAP },
  { name: 'thresholds of a cross of n individuals', params: { design: 'backcross,intercross', spacing: '10', individuals: '150' } },
  { name: 'power at shares of variance and individuals',
    params: { design: 'backcross', length: '14.5', chromosomes: '20', spacing: '5', pve: '0.05,0.1', individuals: '100,200' } },
  { name: 'individuals that reach a target power',
    params: { design: 'backcross,intercross', alpha: 'all', spacing: '5,10', pve: '0.05', 'target-power': '0.8' } },
  { name: 'shares of variance that reach a target power, with dominance',
    params: { design: 'intercross,intercross-dominance', length: '16', chromosomes: '20', spacing: '2', individuals: '150',
      dominance: '0.5,1', 'target-power': '0.5,0.8' } },
  { name: 'power at noncentralities', params: { design: 'lod-score,sibs', spacing: '1', noncentrality: '3,4.5' } },
  { name: 'power on a map', params: { design: 'backcross,intercross', pve: '0.1', individuals: '100,300' }, map: MAP },
  { name: 'simulated power, seed 7',
    params: { design: 'backcross', length: '16', chromosomes: '20', spacing: '10', pve: '0.1', individuals: '200',
      simulate: '500', seed: '7' } },
];

// Bad values, each with the field whose message it gives and the message in
// the page's words.
export const BAD = [
  { name: 'negative length', params: { length: '-3' }, field: 'length', message: "Length: '-3' is not above 0" },
  { name: 'fractional chromosomes', params: { chromosomes: '2.5' }, field: 'chromosomes', message: "Chromosomes: '2.5' is not a whole number" },
  { name: 'unknown design', params: { design: 'backcros' }, field: 'design', message: "Designs: 'backcros' is not a design" },
  { name: 'rate of 0', params: { rate: '0' }, field: 'rate', message: "Rate: '0' is not above 0" },
  { name: 'unknown tail', params: { rate: '2', tail: 'three-sided' }, field: 'tail', message: "Tail: 'three-sided' is not one of one-sided, two-sided, 2df" },
  { name: 'level above 1', params: { alpha: '1.5' }, field: 'alpha', message: "Levels: '1.5' is not between 0 and 1 (for 1, say 'suggestive')" },
  { name: 'negative spacing', params: { spacing: '0,-1' }, field: 'spacing', message: "Marker spacings: '-1' is below 0" },
  { name: 'design with a rate', params: { design: 'sibs', rate: '2' }, field: 'design', message: "Designs: not with Rate; a design of one's own is a Rate with a Tail" },
  { name: 'design with a tail', params: { design: 'sibs', tail: '2df' }, field: 'tail', message: "Tail: not with Designs, whose designs have their own tails" },
  { name: 'bad map lines', params: {}, field: 'map', message: "bad.map:2: position 'x' is not a number",
    map: { name: 'bad.map', text: '1 m1 0 100\n1 m2 x 200\n2 m3 5 300\n2 m4 3 400\n' } },
  { name: 'a map without a marker', params: {}, field: 'map', message: "empty.csv: no marker",
    map: { name: 'empty.csv', text: '# no markers\n\n' } },
  { name: 'simulated scans not a number', params: { simulate: '1e4', spacing: '1' }, field: 'simulate', message: "Simulated null scans: '1e4' is not a whole number" },
  { name: 'too few simulated scans', params: { simulate: '99', design: 'sibs' }, field: 'simulate', message: "Simulated null scans: '99' is not at least 100" },
  { name: 'a seed without a simulation', params: { seed: '5' }, field: 'seed', message: "Seed: only with Simulated null scans" },
  { name: 'a peak with a level', params: { design: 'sibs', lod: '3', alpha: '0.05' }, field: 'lod', message: "Peaks' LOD scores: not with Levels; a peak's p-value needs no level" },
  { name: 'a peak of LOD 0', params: { design: 'sibs', lod: '0' }, field: 'lod', message: "Peaks' LOD scores: '0' is not above 0" },
  { name: 'interval mapping of the dense map', params: { design: 'backcross', scan: 'interval' }, field: 'scan', message: "Scan: interval: not with the dense map (Marker spacings 0), which has nothing between markers" },
  { name: 'a step of 0', params: { design: 'backcross', spacing: '10', scan: 'interval', step: '0' }, field: 'step', message: "Step: '0' is not above 0" },
  { name: 'a share of variance of 0', params: { design: 'backcross', pve: '0', individuals: '100' }, field: 'pve',
    message: "Share of variance: '0' is not between 0 and 1" },
  { name: 'a share of variance without individuals', params: { design: 'backcross', pve: '0.1' }, field: 'pve',
    message: 'Share of variance: needs Individuals, or Target power for the individuals that reach it' },
  { name: 'a share of variance of a one-sided design', params: { design: 'sibs', pve: '0.1', 'target-power': '0.8' },
    field: 'pve',
    message: 'Share of variance: applies to crosses (two-sided and 2df tests), not to the one-sided design sibs: give its Noncentrality' },
  { name: 'a list of individuals without power rows', params: { design: 'backcross', individuals: '100,200' },
    field: 'individuals',
    message: "Individuals: '100,200': a list of individuals only with power rows (Share of variance, Noncentrality or Target power)" },
  { name: 'individuals not a number', params: { individuals: 'many' }, field: 'individuals',
    message: "Individuals: 'many' is not a whole number" },
  { name: 'a dominance ratio without power rows', params: { design: 'intercross', dominance: '1' }, field: 'dominance',
    message: 'Dominance ratio: only with Share of variance, Noncentrality or Target power' },
  { name: 'a dominance ratio of a backcross', params: { design: 'backcross', pve: '0.1', individuals: '100', dominance: '1' },
    field: 'dominance',
    message: 'Dominance ratio: only with the intercross designs (2df, intercross-additive, intercross-dominance), not with backcross' },
  { name: 'a noncentrality below 0', params: { noncentrality: '-1' }, field: 'noncentrality',
    message: "Noncentrality: '-1' is not above 0" },
  { name: 'a target power of 1', params: { 'target-power': '1' }, field: 'target-power',
    message: "Target power: '1' is not between 0 and 1" },
  { name: 'a target power with a share and individuals',
    params: { design: 'backcross', pve: '0.1', individuals: '100', 'target-power': '0.8' }, field: 'target-power',
    message: 'Target power: not with both Share of variance and Individuals: it solves for the one not given' },
  { name: 'a peak with power rows', params: { design: 'sibs', lod: '3', noncentrality: '2' }, field: 'lod',
    message: "Peaks' LOD scores: not with power rows (Share of variance, Noncentrality, Target power)" },
];

// The command line's arguments for the page's parameters.
export function argumentsOf(params, mapPath) {
  const args = [];
  if (mapPath) {
    args.push('--map', mapPath);
  }
  const given = (field) => params[field] !== undefined && params[field] !== '';
  for (const field of FIELDS) {
    if (given(field)) {
      args.push(`--${field}`, params[field]);
    } else if (field === 'spacing' && !mapPath && !given('design') && !given('tail')) {
      args.push('--spacing', '0');  // the default, to select the designs mode
    }
  }
  return args;
}

function keyOf(kase, format) {
  return `${argumentsOf(kase.params, kase.map ? kase.map.name : '').join(' ')} -f ${format}`;
}

// Runs the native program in a folder holding the case's map, so that the
// map's path is its bare name, as the page knows it.
function run(kase, format) {
  const folder = mkdtempSync(path.join(tmpdir(), 'lodthresh-web-'));
  try {
    if (kase.map) {
      writeFileSync(path.join(folder, kase.map.name), kase.map.text);
    }
    const result = spawnSync(program, [...argumentsOf(kase.params, kase.map?.name), '-f', format],
      { cwd: folder, encoding: 'utf8' });
    return { status: result.status, stdout: result.stdout, stderr: result.stderr };
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

export const haveNative = existsSync(program);
const stored = existsSync(referencesFile) ? JSON.parse(readFileSync(referencesFile, 'utf8')) : {};

// The native program's output for a case, in a format: {status, stdout, stderr}.
export function native(kase, format) {
  if (haveNative) {
    return run(kase, format);
  }
  const answer = stored[keyOf(kase, format)];
  if (!answer) {
    throw new Error(`no native build (${program}) and no stored reference for ${keyOf(kase, format)}`);
  }
  return answer;
}

// The message the command line gives for a bad value: its lines on standard
// error that start with "lodthresh: ", without that.
export function nativeMessage(kase) {
  return native(kase, 'csv').stderr.split('\n').filter((line) => line.startsWith('lodthresh: '))
    .map((line) => line.slice('lodthresh: '.length)).join('\n');
}

// Two csv texts, field by field: texts equal, numbers within a relative
// difference `tolerance`. Returns the largest relative difference, or throws.
export function compareCsv(actual, expected, tolerance) {
  const actualLines = actual.trimEnd().split('\n');
  const expectedLines = expected.trimEnd().split('\n');
  if (actualLines.length !== expectedLines.length) {
    throw new Error(`${actualLines.length} lines, expected ${expectedLines.length}`);
  }
  let largest = 0;
  actualLines.forEach((line, i) => {
    const a = line.split(',');
    const e = expectedLines[i].split(',');
    if (a.length !== e.length) {
      throw new Error(`line ${i + 1}: ${a.length} fields, expected ${e.length}`);
    }
    a.forEach((field, k) => {
      const x = Number(field);
      const y = Number(e[k]);
      if (field === e[k]) {
        return;
      }
      if (field === '' || e[k] === '' || !Number.isFinite(x) || !Number.isFinite(y)) {
        throw new Error(`line ${i + 1} field ${k + 1}: '${field}', expected '${e[k]}'`);
      }
      const difference = Math.abs(x - y) / Math.max(Math.abs(y), Number.MIN_VALUE);
      if (!(difference <= tolerance)) {
        throw new Error(`line ${i + 1} field ${k + 1}: ${field}, expected ${e[k]} (relative ${difference})`);
      }
      largest = Math.max(largest, difference);
    });
  });
  return largest;
}

if (process.argv[2] === '--write') {
  if (!haveNative) {
    throw new Error(`no native program at ${program}`);
  }
  const references = {};
  for (const kase of [...CASES, ...BAD]) {
    for (const format of ['csv', 'text']) {
      references[keyOf(kase, format)] = run(kase, format);
    }
  }
  writeFileSync(referencesFile, `${JSON.stringify(references, null, 1)}\n`);
  console.log(`wrote ${Object.keys(references).length} answers of ${execFileSync(program, ['--version'],
    { encoding: 'utf8' }).trim()} to ${referencesFile}`);
}
