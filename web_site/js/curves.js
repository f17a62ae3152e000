// The Curves page: the last I-V curve of the chosen modules plotted as
// current and power against voltage, their figures, a manual curve on demand
// and a CSV download of each curve.
'use strict';

(() => {
  const {el, num, replace, COLOURS} = VN;
  let chart = null;
  let curves = [];

  function childText(element, name) {
    const child = element && element.getElementsByTagName(name)[0];
    return child ? child.textContent.trim() : '';
  }

  function childNumber(element, name) {
    const child = element && element.getElementsByTagName(name)[0];
    return num(child);
  }

  // A "Curve" element as {module, time, figures, points}.
  function readCurve(element) {
    const points = [...element.getElementsByTagName('Point')].map((point) => ({
      volts: childNumber(point, 'Volts'),
      amps: childNumber(point, 'Amps'),
    })).filter((p) => Number.isFinite(p.volts) && Number.isFinite(p.amps));
    const dateTime = element.getElementsByTagName('Date_Time')[0];
    const direct = (name) => [...element.children].find((c) => c.tagName === name);
    return {
      module: childText(element, 'ModuleID'),
      time: dateTime ? `${dateTime.getAttribute('date') || ''} ${dateTime.getAttribute('time') || ''}`.trim() : '',
      isc: num(direct('Isc')),
      voc: num(direct('Voc')),
      pmax: num(direct('PeakPower')),
      vmp: num(direct('Vpeak')),
      imp: num(direct('Ipeak')),
      fillFactor: num(direct('FillFactor')),
      irradiance: childNumber(direct('Irrad1'), 'Value'),
      temperature: childNumber(direct('Temp1'), 'Value'),
      points,
    };
  }

  function readCurves(doc) {
    return doc ? [...doc.getElementsByTagName('Curve')].map(readCurve) : [];
  }

  function chosenIds() {
    return [...document.querySelectorAll('#modules input:checked')].map((box) => box.value);
  }

  function curveRequest(ids, points = true) {
    return `<Curves points="${points ? 'yes' : 'no'}">${ids.map((id) => `<Id id="${Number(id)}"/>`).join('')}</Curves>`;
  }

  function csv(curve) {
    const lines = ['volts,amps,watts'];
    for (const p of curve.points) lines.push(`${p.volts},${p.amps},${(p.volts * p.amps).toFixed(6)}`);
    return lines.join('\n') + '\n';
  }

  function figuresTable() {
    const rows = [
      ['Measured', (c) => el('td', {text: c.time || '—'})],
      ['Isc', (c) => VN.valueElement('td', c.isc, 3, 'A')],
      ['Voc', (c) => VN.valueElement('td', c.voc, 2, 'V')],
      ['Pmax', (c) => VN.valueElement('td', c.pmax, 1, 'W')],
      ['Vmp', (c) => VN.valueElement('td', c.vmp, 2, 'V')],
      ['Imp', (c) => VN.valueElement('td', c.imp, 3, 'A')],
      ['Fill factor', (c) => VN.valueElement('td', c.fillFactor, 1, '%')],
      ['Irradiance', (c) => VN.valueElement('td', c.irradiance, 0, 'W/m²')],
      ['Module temperature', (c) => VN.valueElement('td', c.temperature, 1, '°C')],
      ['Points', (c) => el('td', {text: String(c.points.length)})],
    ];
    const head = el('tr', {}, el('th', {text: 'Module'}),
      ...curves.map((c) => el('th', {'data-module': c.module, text: c.module || '?'})));
    const body = rows.map(([name, cell]) => el('tr', {'data-figure': name},
      el('th', {text: name}), ...curves.map((c) => {
        const td = cell(c);
        td.classList.add('num');
        td.setAttribute('data-module', c.module);
        return td;
      })));
    const downloads = el('tr', {}, el('th', {text: 'CSV'}), ...curves.map((c) => el('td', {},
      el('button', {type: 'button', text: 'Download',
        onclick: () => VN.download(`last_iv_${c.module}.csv`, csv(c))}))));
    return el('table', {id: 'figures-table'}, el('thead', {}, head), el('tbody', {}, ...body, downloads));
  }

  function plot() {
    const canvas = document.getElementById('plot');
    if (typeof Chart === 'undefined') {
      VN.message('The plotting library (lib/chart.min.js) is missing: the figures are shown without the plot.',
        'error');
      return;
    }
    const datasets = [];
    curves.forEach((c, index) => {
      const colour = COLOURS[index % COLOURS.length];
      const line = {showLine: true, pointRadius: 0, borderWidth: 2, borderColor: colour, backgroundColor: colour};
      datasets.push(Object.assign({label: `Module ${c.module} current`, yAxisID: 'current',
        data: c.points.map((p) => ({x: p.volts, y: p.amps}))}, line));
      datasets.push(Object.assign({label: `Module ${c.module} power`, yAxisID: 'power', borderDash: [6, 4],
        data: c.points.map((p) => ({x: p.volts, y: p.volts * p.amps}))}, line));
    });
    chart = VN.lineChart(chart, canvas, datasets, {
      x: {type: 'linear', min: 0, title: {display: true, text: 'Voltage (V)'}},
      current: {type: 'linear', position: 'left', min: 0, title: {display: true, text: 'Current (A)'}},
      power: {type: 'linear', position: 'right', min: 0, title: {display: true, text: 'Power (W)'},
        grid: {drawOnChartArea: false}},
    });
  }

  function show(newCurves) {
    curves = newCurves;
    const missing = chosenIds().filter((id) => !curves.some((c) => c.module === id));
    replace(document.getElementById('figures'), curves.length ? figuresTable()
      : el('p', {class: 'muted', text: 'No stored curve for the chosen modules.'}),
    missing.length ? el('p', {class: 'muted', text: `No stored curve for module ${missing.join(', ')}.`}) : null);
    plot();
    document.getElementById('curves-shown').textContent = curves.map((c) => c.module).join(',');
  }

  async function loadLast() {
    const ids = chosenIds();
    if (ids.length === 0) {
      show([]);
      return;
    }
    show(readCurves(await VN.postXml('/user/last_curves.xml', curveRequest(ids))));
    VN.markFirstData();
  }

  // The measurement time of each module's stored curve, by module.
  function timesByModule(list) {
    return new Map(list.map((c) => [c.module, c.time]));
  }

  // The station answers a curve request with the last stored curve of each
  // module, also when the sweep failed (the unit stopped answering): only a
  // curve whose time changed was taken now. Times are compared as the
  // station wrote them, so the browser's clock does not matter.
  function takeResult(ids, before, taken, seconds) {
    const after = timesByModule(taken);
    const fresh = ids.filter((id) => after.has(id) && after.get(id) !== before.get(id));
    const failed = ids.filter((id) => !fresh.includes(id));
    const parts = [];
    if (fresh.length) parts.push(`Curves of module ${fresh.join(', ')} taken in ${seconds} s.`);
    if (failed.length) {
      parts.push(`No new curve of module ${failed.join(', ')}: the station could not take it (see its log).`);
    }
    return {text: parts.join(' '), ok: failed.length === 0};
  }

  // Takes a manual curve of the chosen modules. The station answers when
  // the curves are taken, which may take a while: the elapsed time shows and
  // the rest of the page stays usable.
  async function takeCurves() {
    const ids = chosenIds();
    if (ids.length === 0) {
      VN.message('Choose at least one module.', 'error');
      return;
    }
    const button = document.getElementById('take');
    const wait = document.getElementById('take-wait');
    button.disabled = true;
    const started = Date.now();
    const tick = () => {
      wait.textContent = `Taking curves of module ${ids.join(', ')}… ${Math.floor((Date.now() - started) / 1000)} s`;
      wait.className = 'result busy';
    };
    tick();
    const timer = setInterval(tick, 1000);
    try {
      const before = timesByModule(readCurves(await VN.postXml('/user/last_curves.xml', curveRequest(ids, false))));
      const taken = readCurves(await VN.postXml('/admin/take_curves', curveRequest(ids)));
      const result = takeResult(ids, before, taken, Math.round((Date.now() - started) / 1000));
      wait.textContent = result.text;
      wait.className = result.ok ? 'result ok' : 'result error';
      show(taken.filter((c) => ids.includes(c.module)));
    } catch (error) {
      wait.textContent = 'Taking the curves failed: ' + error.message;
      wait.className = 'result error';
    } finally {
      clearInterval(timer);
      button.disabled = false;
    }
  }

  // The module choice, from the modules of the live sample.
  function listModules(sample) {
    const ids = sample ? [...sample.getElementsByTagName('Module')].map((m) => m.getAttribute('id')) : [];
    const boxes = ids.map((id) => el('label', {},
      el('input', {type: 'checkbox', value: id, checked: true, onchange: () => loadLast().catch(VN.showError)}),
      ` Module ${id}`));
    replace(document.getElementById('modules'), el('legend', {text: 'Modules'}), ...boxes);
    if (ids.length === 0) {
      VN.message('The station lists no modules yet: they show with its first measurement.', 'busy');
      return;
    }
    VN.message('');
    loadLast().catch(VN.showError);
  }

  document.addEventListener('DOMContentLoaded', () => {
    document.getElementById('take').addEventListener('click', takeCurves);
    document.getElementById('reload').addEventListener('click', () => loadLast().catch(VN.showError));
    VN.whenMeasured(listModules);
  });
})();
