// The Data page: the stored day files and curve files, each downloadable as
// stored or as CSV, and a plot of a day's module power and irradiance read
// from the day's CSV.
'use strict';

(() => {
  const {el, num, replace, COLOURS} = VN;
  let listing = {days: [], curves: [], last: []};
  let chart = null;

  // The station's file listing as {days, curves, last}; every element and
  // attribute name of the listing is read here alone.
  function readListing(doc) {
    const all = (tag) => (doc ? [...doc.getElementsByTagName(tag)] : []);
    const text = (e, name) => e.getAttribute(name) || '';
    return {
      days: all('DayFile').map((e) => ({name: text(e, 'name'), date: text(e, 'date'), size: num(e, 'size'),
        lines: num(e, 'lines')})),
      curves: all('CurveFile').map((e) => ({name: text(e, 'name'), module: text(e, 'module'), date: text(e, 'date'),
        time: text(e, 'time'), size: num(e, 'size')})),
      last: all('LastCurve').map((e) => ({name: text(e, 'name'), module: text(e, 'module'), size: num(e, 'size')})),
    };
  }

  function sizeText(bytes) {
    if (!Number.isFinite(bytes)) return '—';
    if (bytes < 1024) return `${bytes} B`;
    if (bytes < 1024 * 1024) return `${(bytes / 1024).toFixed(1)} kB`;
    return `${(bytes / 1024 / 1024).toFixed(2)} MB`;
  }

  // A link that saves the file under the name the station gives it.
  const fileLink = (href, label) => el('a', {href, download: '', text: label});
  const dataUrl = (name) => '/user/data/' + encodeURIComponent(name);
  const curveUrl = (name) => '/user/curves/' + encodeURIComponent(name);

  function table(id, head, rows, empty) {
    if (rows.length === 0) return el('p', {class: 'muted', text: empty});
    return el('table', {id}, el('thead', {}, el('tr', {}, ...head.map((h) => el('th', {text: h})))),
      el('tbody', {}, ...rows));
  }

  function dayRows() {
    // Newest first: today's file is the one looked for most.
    return [...listing.days].reverse().map((day) => el('tr', {'data-file': day.name},
      el('td', {class: 'date', text: day.date || day.name}),
      el('td', {class: 'num', text: sizeText(day.size)}),
      el('td', {class: 'num', text: Number.isFinite(day.lines) ? String(day.lines) : '—',
        title: Number.isFinite(day.lines) ? null : 'the station could not read the file'}),
      el('td', {}, el('div', {class: 'actions'}, fileLink(dataUrl(day.name), 'As stored (.vnd)'),
        fileLink(dataUrl(day.name) + '.csv', 'CSV'))),
      el('td', {}, el('button', {type: 'button', text: 'Plot', onclick: () => plotDay(day.name)}))));
  }

  function curveRows(curves, withTime) {
    return curves.map((curve) => el('tr', {'data-file': curve.name},
      withTime ? el('td', {text: curve.time}) : null,
      el('td', {text: curve.module}),
      el('td', {class: 'num', text: sizeText(curve.size)}),
      el('td', {}, el('div', {class: 'actions'}, fileLink(curveUrl(curve.name), 'As stored (.xml)'),
        fileLink(curveUrl(curve.name) + '.csv', 'CSV')))));
  }

  function showCurvesOf(date) {
    const curves = listing.curves.filter((c) => c.date === date);
    replace(document.getElementById('curve-files'), table('curve-table', ['Time', 'Module', 'Size', 'Download'],
      curveRows(curves, true), 'No curve files stored for this day.'));
  }

  function options(select, values, label) {
    const chosen = select.value;
    replace(select, ...values.map((value) => el('option', {value, text: label(value)})));
    if (values.includes(chosen)) select.value = chosen;
  }

  async function loadListing() {
    listing = readListing(await VN.getXml('/user/data_files.xml'));
    replace(document.getElementById('day-files'), table('day-table',
      ['Date', 'Size', 'Data lines', 'Download', 'Plot'], dayRows(), 'No day files stored yet.'));
    const dayNames = [...listing.days].reverse().map((d) => d.name);
    options(document.getElementById('plot-day'), dayNames,
      (name) => (listing.days.find((d) => d.name === name) || {}).date || name);
    const curveDays = [...new Set(listing.curves.map((c) => c.date))].sort().reverse();
    const curveDay = document.getElementById('curve-day');
    options(curveDay, curveDays, (date) => date);
    curveDay.disabled = curveDays.length === 0;
    showCurvesOf(curveDay.value);
    replace(document.getElementById('last-curves'), table('last-table', ['Module', 'Size', 'Download'],
      curveRows(listing.last, false), 'No last curves stored yet.'));
    VN.markFirstData();
  }

  // Rows of a CSV text (quoted cells may hold commas, quotes and line breaks).
  function parseCsv(text) {
    const rows = [];
    let row = [];
    let cell = '';
    let quoted = false;
    for (let i = 0; i < text.length; ++i) {
      const c = text[i];
      if (quoted) {
        if (c === '"' && text[i + 1] === '"') {
          cell += '"';
          ++i;
        } else if (c === '"') {
          quoted = false;
        } else {
          cell += c;
        }
      } else if (c === '"') {
        quoted = true;
      } else if (c === ',') {
        row.push(cell);
        cell = '';
      } else if (c === '\n' || c === '\r') {
        if (c === '\r' && text[i + 1] === '\n') ++i;
        row.push(cell);
        rows.push(row);
        row = [];
        cell = '';
      } else {
        cell += c;
      }
    }
    if (cell !== '' || row.length > 0) rows.push([...row, cell]);
    return rows;
  }

  // A header cell as {id, kind, description, units}: "3 Power: Module C
  // Power (Watts)", "1 Aux: Irradiance (W/m2)".
  function readColumn(header) {
    const match = /^(\d+) (Volts|Amps|Power|Aux|Temp)(?::\s*(.*?))?(?:\s*\(([^()]*)\))?$/.exec(header.trim());
    return match ? {id: match[1], kind: match[2], description: match[3] || '', units: match[4] || ''} : null;
  }

  // Aux inputs are irradiance sensors unless their unit names another quantity.
  const isIrradiance = (column) => column.kind === 'Aux' && (column.units === '' || /W\s*\/\s*m/i.test(column.units));

  // Hours since midnight of "yyyy-mm-dd hh:mm:ss"; NaN for anything else.
  function hourOfDay(text) {
    const match = /(\d{1,2}):(\d{2}):(\d{2})$/.exec(text.trim());
    return match ? Number(match[1]) + Number(match[2]) / 60 + Number(match[3]) / 3600 : NaN;
  }

  // The day's power and irradiance series from its CSV text.
  function daySeries(text) {
    const [header, ...rows] = parseCsv(text).filter((r) => r.length > 1 || r[0] !== '');
    if (!header) return [];
    const series = [];
    header.forEach((cell, index) => {
      const column = readColumn(cell);
      if (!column || !(column.kind === 'Power' || isIrradiance(column))) return;
      const power = column.kind === 'Power';
      series.push({
        label: power ? `Module ${column.id} power${column.description ? ' · ' + column.description : ''}`
          : `Irradiance ${column.id}${column.description ? ' · ' + column.description : ''}`,
        axis: power ? 'power' : 'irradiance',
        // An empty cell is a value the station could not measure: a gap.
        points: rows.map((r) => ({x: hourOfDay(r[0] || ''),
          y: r[index] === undefined || r[index] === '' ? null : Number(r[index])}))
          .filter((p) => Number.isFinite(p.x) && (p.y === null || Number.isFinite(p.y))),
      });
    });
    return series;
  }

  // hh:mm, or hh:mm:ss when the steps are shorter than a minute (a day
  // file only minutes old).
  const clockText = (hours, withSeconds = false) => {
    const seconds = Math.round(hours * 3600);
    const two = (n) => String(n).padStart(2, '0');
    const text = `${two(Math.floor(seconds / 3600))}:${two(Math.floor(seconds / 60) % 60)}`;
    return withSeconds ? `${text}:${two(seconds % 60)}` : text;
  };

  function drawPlot(series) {
    const datasets = series.map((s, index) => {
      const colour = s.axis === 'irradiance' ? '#c08000' : COLOURS[index % COLOURS.length];
      return {label: s.label, yAxisID: s.axis, data: s.points, showLine: true, pointRadius: 0, borderWidth: 2,
        borderColor: colour, backgroundColor: colour, borderDash: s.axis === 'irradiance' ? [6, 4] : undefined};
    });
    chart = VN.lineChart(chart, document.getElementById('plot'), datasets, {
      x: {type: 'linear', title: {display: true, text: 'Time of day (station time)'},
        ticks: {callback: (value, index, ticks) =>
          clockText(value, ticks.length > 1 && ticks[1].value - ticks[0].value < 1 / 60)}},
      power: {type: 'linear', position: 'left', min: 0, title: {display: true, text: 'Power (W)'}},
      irradiance: {type: 'linear', position: 'right', min: 0, title: {display: true, text: 'Irradiance (W/m²)'},
        grid: {drawOnChartArea: false}},
    }, {tooltip: {callbacks: {title: (items) => (items.length ? clockText(items[0].parsed.x, true) : '')}}});
  }

  async function plotDay(name) {
    if (!name) return;
    document.getElementById('plot-day').value = name;
    const result = document.getElementById('plot-result');
    result.textContent = `Reading ${name}…`;
    result.className = 'result busy';
    try {
      const series = daySeries(await VN.getText(dataUrl(name) + '.csv'));
      if (series.length === 0) throw new Error('the file holds no power or irradiance columns');
      drawPlot(series);
      const lines = Math.max(...series.map((s) => s.points.length));
      result.textContent = `${name}: ${lines} data lines, ${series.filter((s) => s.axis === 'power').length} modules` +
        (series.some((s) => s.axis === 'irradiance') ? ', irradiance.' : ', no irradiance column.');
      result.className = 'result ok';
    } catch (error) {
      result.textContent = 'Plot failed: ' + error.message;
      result.className = 'result error';
    }
  }

  document.addEventListener('DOMContentLoaded', async () => {
    document.getElementById('reload').addEventListener('click', () => loadListing().catch(VN.showError));
    document.getElementById('curve-day').addEventListener('change', (e) => showCurvesOf(e.target.value));
    document.getElementById('plot-show').addEventListener('click',
      () => plotDay(document.getElementById('plot-day').value));
    try {
      await loadListing();
      await plotDay(document.getElementById('plot-day').value);
    } catch (error) {
      VN.showError(error);
    }
  });
})();
