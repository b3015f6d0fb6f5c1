// The page: one state object, read from and written to the URL, and a view
// redrawn from it. Every check, word and number comes from the WebAssembly
// module (lodthresh.js), which runs the command line's own code; this module
// only lays its answer out and turns values into plot coordinates.

const FIELDS = ['length', 'chromosomes', 'design', 'rate', 'tail', 'alpha', 'spacing', 'scan', 'step', 'lod',
  'individuals', 'pve', 'dominance', 'noncentrality', 'target-power', 'simulate', 'seed'];
const PLOT = { width: 480, height: 300, left: 48, right: 12, top: 14, bottom: 42 };

const $ = (id) => document.getElementById(id);

// The state: each field's text as typed (empty: the command line's default),
// and the chosen map file, which stays in the page.
function stateFromUrl() {
  const params = new URLSearchParams(window.location.search);
  const state = { map_name: '', map_text: '' };
  for (const field of FIELDS) {
    state[field] = params.get(field) ?? '';
  }
  return state;
}

// The query as the command line's long options, commas left readable.
function urlOf(state) {
  const parts = FIELDS.filter((field) => state[field] !== '').map(
    (field) => `${field}=${encodeURIComponent(state[field]).replace(/%2C/gi, ',')}`);
  return parts.length > 0 ? `?${parts.join('&')}` : window.location.pathname;
}

function element(name, attributes = {}, text = '') {
  const node = document.createElement(name);
  for (const [key, value] of Object.entries(attributes)) {
    node.setAttribute(key, value);
  }
  if (text !== '') {
    node.textContent = text;
  }
  return node;
}

function showMessages(errors, mapChosen) {
  const byField = new Map(errors.map((error) => [error.field, error.message]));
  for (const field of [...FIELDS, 'map']) {
    const input = $(field);
    const message = byField.get(field) ?? '';
    $(`${field}-message`).textContent = message;
    if (message !== '') {
      input.setAttribute('aria-invalid', 'true');
    } else {
      input.removeAttribute('aria-invalid');
    }
  }
  for (const input of [$('length'), $('chromosomes'), $('spacing'), ...document.querySelectorAll('.presets button')]) {
    input.disabled = mapChosen;
  }
}

const ESCAPES = { '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' };
const escape = (text) => String(text).replace(/[&<>"]/g, (c) => ESCAPES[c]);
// "a, b, c and d".
const words = (items) => items.slice(0, -1).join(', ') + (items.length > 1 ? ' and ' : '') + items.slice(-1);

// The command line's text table as an HTML table: its headings and cells; a
// row without a result gives its reason across the result columns. Written as
// one piece of markup, which the browser builds faster than cell by cell.
function drawTable(answer, mapChosen) {
  const columns = answer.header.map(escape);
  const head = columns.map((column) => `<th scope="col" data-column="${column}">${column}</th>`).join('');
  const body = answer.rows.map((row) => {
    const cells = row.cells.map((cell, i) => `<td data-column="${columns[i]}">${escape(cell)}</td>`).join('');
    const reason = row.ok ? ''
      : `<td colspan="${columns.length - row.cells.length}" class="reason">${escape(row.reason)}</td>`;
    return `<tr>${cells}${reason}</tr>`;
  }).join('');
  const rows = answer.power
    ? (mapChosen ? 'one row per design, level and effect, on the map' : 'one row per genome, design, level, spacing and effect')
    : (mapChosen ? 'one row per design and level, on the map' : 'one row per genome, design, level and spacing');
  $('table').innerHTML = `<caption>${answer.power ? 'Power' : 'Critical LOD scores'}, ${rows}</caption>` +
    `<thead><tr>${head}</tr></thead><tbody>${body}</tbody>`;
}

// Plot coordinates of a value: spacing in cM across, LOD up.
function scales(plot) {
  const xMax = plot.x_ticks[plot.x_ticks.length - 1];
  const yMax = plot.y_ticks[plot.y_ticks.length - 1];
  const width = PLOT.width - PLOT.left - PLOT.right;
  const height = PLOT.height - PLOT.top - PLOT.bottom;
  return {
    x: (value) => (PLOT.left + (value / xMax) * width).toFixed(1),
    y: (value) => (PLOT.top + height - (value / yMax) * height).toFixed(1),
  };
}

// The curve's stretches where there is a threshold.
function pathOf(xs, ys, scale) {
  let path = '';
  let pen = 'M';
  xs.forEach((x, i) => {
    if (ys[i] === null) {
      pen = 'M';
      return;
    }
    path += `${pen}${scale.x(x)},${scale.y(ys[i])}`;
    pen = 'L';
  });
  return path;
}

// A plot as SVG markup: axes, then per level the dense map's line, the curve,
// the simulated thresholds with their bars, the fixed fractions and the map's
// own threshold.
function plotMarkup(plot, index) {
  const scale = scales(plot);
  const x0 = scale.x(0);
  const y0 = scale.y(0);
  const xEnd = scale.x(plot.x_ticks[plot.x_ticks.length - 1]);
  const yEnd = scale.y(plot.y_ticks[plot.y_ticks.length - 1]);
  const xMiddle = ((Number(x0) + Number(xEnd)) / 2).toFixed(1);
  const yMiddle = ((Number(y0) + Number(yEnd)) / 2).toFixed(1);
  const title = `Critical LOD against marker spacing, ${plot.design}, ${plot.genome}`;
  let markup = `<svg viewBox="0 0 ${PLOT.width} ${PLOT.height}" role="img" aria-labelledby="plot-title-${index}">` +
    `<title id="plot-title-${index}">${escape(title)}</title><g class="axes">`;
  plot.y_ticks.forEach((tick, i) => {
    const y = scale.y(tick);
    markup += `<line x1="${x0}" x2="${xEnd}" y1="${y}" y2="${y}" class="grid"/>` +
      `<text x="${PLOT.left - 6}" y="${y}" class="y-tick">${escape(plot.y_ticks_labels[i])}</text>`;
  });
  plot.x_ticks.forEach((tick, i) => {
    markup += `<text x="${scale.x(tick)}" y="${(Number(y0) + 18).toFixed(1)}" class="x-tick">` +
      `${escape(plot.x_ticks_labels[i])}</text>`;
  });
  markup += `<path d="M${x0},${yEnd}V${y0}H${xEnd}" class="frame"/>` +
    `<text x="${xMiddle}" y="${PLOT.height - 4}" class="x-label">marker spacing (cM)</text>` +
    `<text x="14" y="${yMiddle}" class="y-label" transform="rotate(-90 14 ${yMiddle})">critical LOD</text></g>`;
  plot.levels.forEach((level, i) => {
    markup += `<g class="level level-${i % 4}" data-level="${escape(level)}">`;
    if (plot.dense[i] !== null) {
      const y = scale.y(plot.dense[i]);
      markup += `<line x1="${x0}" x2="${xEnd}" y1="${y}" y2="${y}" class="dense"/>`;
    }
    markup += `<path d="${pathOf(plot.spacings_cm, plot.curves[i], scale)}" class="curve"/>`;
    plot.fixed_spacings_cm.forEach((x, k) => {
      if (plot.fixed[i][k] !== null) {
        markup += `<circle cx="${scale.x(x)}" cy="${scale.y(plot.fixed[i][k])}" r="3.5" class="fixed"/>`;
      }
    });
    // The simulated thresholds, each with its bar of -+2 standard errors.
    (plot.sim_spacings_cm ?? []).forEach((x, k) => {
      if (plot.sim[i][k] !== null) {
        const cx = scale.x(x);
        const left = (Number(cx) - 3).toFixed(1);
        const low = scale.y(plot.sim_low[i][k]);
        const high = scale.y(plot.sim_high[i][k]);
        const top = (Number(scale.y(plot.sim[i][k])) - 3).toFixed(1);
        markup += `<path d="M${left},${low}h6M${cx},${low}V${high}M${left},${high}h6" class="sim-bar"/>` +
          `<rect x="${left}" y="${top}" width="6" height="6" class="sim"/>`;
      }
    });
    if (plot.map && plot.map[i] !== null) {
      const x = Number(scale.x(plot.map_spacing_cm));
      const y = Number(scale.y(plot.map[i]));
      markup += `<path d="M${x},${y - 6}l6,6l-6,6l-6,-6z" class="map"/>`;
    }
    markup += '</g>';
  });
  markup += '</svg>';
  const legend = plot.levels.map((level, i) => `<li class="level-${i % 4}">α = ${escape(level)}</li>`).join('');
  return `<figure class="plot">${markup}<figcaption><strong>${escape(plot.design)}</strong> on ` +
    `${escape(plot.genome)}.<ul class="legend">${legend}</ul>Curves: the threshold with markers that far ` +
    `apart; dashed line: the dense map; dots: the old fixed fractions ${words(plot.fixed_labels)} of the dense ` +
    `map’s LOD at ${words(plot.fixed_spacings_cm.map(String))} cM` +
    `${plot.map ? '; diamond: the map’s own threshold at its mean spacing' : ''}` +
    `${(plot.sim ?? []).some((level) => level.some((lod) => lod !== null))
      ? '; squares with bars: the simulated thresholds of the table, ±2 standard errors' : ''}.` +
    '</figcaption></figure>';
}

// Power plot coordinates: individuals across on a logarithmic axis, power up
// from 0 to 1.
function powerScales(plot) {
  const first = Math.log(plot.x_ticks[0]);
  const span = Math.log(plot.x_ticks[plot.x_ticks.length - 1]) - first;
  // Room on the right for the last tick's label, four digits or more.
  const width = PLOT.width - PLOT.left - PLOT.right - 14;
  const height = PLOT.height - PLOT.top - PLOT.bottom;
  return {
    x: (value) => (PLOT.left + ((Math.log(value) - first) / span) * width).toFixed(1),
    y: (value) => (PLOT.top + height - value * height).toFixed(1),
  };
}

// A power plot as SVG markup: axes, the target powers, then a curve per
// level and share of variance.
function powerPlotMarkup(plot, index) {
  const scale = powerScales(plot);
  const x0 = scale.x(plot.x_ticks[0]);
  const y0 = scale.y(0);
  const xEnd = scale.x(plot.x_ticks[plot.x_ticks.length - 1]);
  const yEnd = scale.y(1);
  const xMiddle = ((Number(x0) + Number(xEnd)) / 2).toFixed(1);
  const yMiddle = ((Number(y0) + Number(yEnd)) / 2).toFixed(1);
  const dominance = plot.dominance !== undefined ? `, dominance ratio ${plot.dominance}` : '';
  const title = `Power against the number of individuals, ${plot.design}, ${plot.genome}${dominance}`;
  let markup = `<svg viewBox="0 0 ${PLOT.width} ${PLOT.height}" role="img" aria-labelledby="plot-title-${index}">` +
    `<title id="plot-title-${index}">${escape(title)}</title><g class="axes">`;
  plot.y_ticks.forEach((tick, i) => {
    const y = scale.y(tick);
    markup += `<line x1="${x0}" x2="${xEnd}" y1="${y}" y2="${y}" class="grid"/>` +
      `<text x="${PLOT.left - 6}" y="${y}" class="y-tick">${escape(plot.y_ticks_labels[i])}</text>`;
  });
  plot.x_ticks.forEach((tick, i) => {
    const x = scale.x(tick);
    markup += `<line x1="${x}" x2="${x}" y1="${y0}" y2="${yEnd}" class="grid"/>` +
      `<text x="${x}" y="${(Number(y0) + 18).toFixed(1)}" class="x-tick">${escape(plot.x_ticks_labels[i])}</text>`;
  });
  markup += `<path d="M${x0},${yEnd}V${y0}H${xEnd}" class="frame"/>` +
    `<text x="${xMiddle}" y="${PLOT.height - 4}" class="x-label">individuals (logarithmic)</text>` +
    `<text x="14" y="${yMiddle}" class="y-label" transform="rotate(-90 14 ${yMiddle})">power</text></g>`;
  for (const target of plot.targets) {
    const y = scale.y(target);
    markup += `<line x1="${x0}" x2="${xEnd}" y1="${y}" y2="${y}" class="target" data-target="${target}"/>`;
  }
  // A colour per share of variance, a dash per level.
  const pves = [...new Set(plot.pves)];
  const levels = [...new Set(plot.levels)];
  const style = (i) => `level-${pves.indexOf(plot.pves[i]) % 4} dash-${levels.indexOf(plot.levels[i]) % 3}`;
  plot.curves.forEach((curve, i) => {
    markup += `<g class="level ${style(i)}" data-level="${escape(plot.levels[i])}" data-pve="${escape(plot.pves[i])}">` +
      `<path d="${pathOf(plot.individuals, curve, scale)}" class="curve"/></g>`;
  });
  markup += '</svg>';
  const legend = plot.curves.map((curve, i) =>
    `<li class="${style(i)}">α = ${escape(plot.levels[i])}, pve = ${escape(plot.pves[i])}</li>`).join('');
  return `<figure class="plot">${markup}<figcaption><strong>${escape(plot.design)}</strong> on ` +
    `${escape(plot.genome)}${escape(dominance)}.<ul class="legend">${legend}</ul>Curves: the power of the scan ` +
    'for a QTL of that share of variance, at the level’s threshold for that many individuals' +
    `${plot.targets.length > 0 ? '; dashed lines: the target powers' : ''}.</figcaption></figure>`;
}

function draw(module, state) {
  const started = performance.now();
  const answer = JSON.parse(module.calculate(state));
  const computed = performance.now();
  const errors = answer.errors;
  showMessages(errors, state.map_name !== '');
  // The dominance ratio's field, for intercross designs, or while it has a
  // value; an answer with a bad value leaves it as it was.
  if (answer.dominance_applies !== undefined || state.dominance !== '') {
    $('dominance-field').hidden = !answer.dominance_applies && state.dominance === '';
  }
  const results = $('results');
  if (errors.length > 0 || answer.fault) {
    $('status').textContent = answer.fault
      ? `No table: ${answer.fault}`
      : 'No table: a value above is not valid.';
    $('table').replaceChildren();
    $('plots').replaceChildren();
    $('command').textContent = '';
    $('command-line').hidden = true;
    $('download').disabled = true;
    $('to-results').hidden = true;
    results.dataset.rows = '0';
  } else {
    $('status').textContent = `${answer.rows.length} ${answer.rows.length === 1 ? 'row' : 'rows'}.` +
      (answer.note ? ` ${answer.note}` : '');
    $('command-line').hidden = false;
    // Each option with its value kept on one line.
    $('command').innerHTML = answer.command.split(' --')
      .map((word, i) => `<span class="option">${escape(i === 0 ? word : `--${word}`)}</span>`).join(' ');
    drawTable(answer, state.map_name !== '');
    $('results-title').textContent = answer.power ? 'Power' : 'Thresholds';
    $('plots').innerHTML = answer.plots.map((plot, i) => (plot.kind === 'power' ? powerPlotMarkup : plotMarkup)(plot, i)).join('');
    $('download').disabled = false;
    $('to-results').hidden = false;
    results.dataset.rows = String(answer.rows.length);
  }
  results.dataset.moduleMs = (computed - started).toFixed(2);
  results.dataset.redrawMs = (performance.now() - started).toFixed(2);
  return answer;
}

function describeDesigns(module) {
  const designs = JSON.parse(module.designs());
  const list = $('design-names');
  const help = $('design-help');
  list.append(element('option', { value: 'all' }));
  for (const design of designs) {
    list.append(element('option', { value: design.name }));
    help.append(element('dt', {}, design.name),
      element('dd', {}, `${design.meaning} (${design.tail}, rate ${design.rate})`));
  }
}

function download(csv) {
  const url = URL.createObjectURL(new Blob([csv], { type: 'text/csv' }));
  const link = element('a', { href: url, download: 'lodthresh.csv' });
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 0);
}

async function start() {
  const module = await window.createLodthresh();
  performance.mark('lodthresh-module-ready');
  const state = stateFromUrl();
  for (const field of FIELDS) {
    $(field).value = state[field];
  }
  describeDesigns(module);

  // The view first, then the URL.
  // The answer shown: a simulated one brings the csv of its own rows.
  let shown = null;
  const update = () => {
    shown = draw(module, state);
    window.history.replaceState(null, '', urlOf(state));
  };
  $('inputs').addEventListener('input', (event) => {
    if (FIELDS.includes(event.target.id)) {
      state[event.target.id] = event.target.value.trim();
      update();
    }
  });
  $('inputs').addEventListener('submit', (event) => event.preventDefault());
  for (const preset of document.querySelectorAll('.presets button')) {
    preset.addEventListener('click', () => {
      for (const field of ['length', 'chromosomes']) {
        state[field] = preset.dataset[field];
        $(field).value = state[field];
      }
      update();
    });
  }
  $('map').addEventListener('change', () => {
    const file = $('map').files[0];
    if (!file) {
      return;
    }
    const reader = new FileReader();
    reader.addEventListener('load', () => {
      state.map_name = file.name;
      state.map_text = String(reader.result);
      $('map-clear').hidden = false;
      update();
    });
    reader.addEventListener('error', () => {
      $('map-message').textContent = `${file.name}: ${reader.error?.message ?? 'cannot be read'}`;
    });
    reader.readAsText(file);
  });
  $('map-clear').addEventListener('click', () => {
    state.map_name = '';
    state.map_text = '';
    $('map').value = '';
    $('map-clear').hidden = true;
    update();
  });
  $('download').addEventListener('click', () => download(shown.csv ?? module.csv(state)));
  shown = draw(module, state);
  performance.mark('lodthresh-first-table');
}

start().catch((error) => {
  $('status').textContent = `The calculator could not start: ${error.message}`;
});
