// The Calibration page: calibration mode on and off, one calibration step of
// a chosen channel against a reference value with its record, saving and
// loading the units' factors per kind, and the calibration report as a table
// and as text.
'use strict';

(() => {
  const {el, num, replace} = VN;
  const TYPE_NAMES = {10: 'Module voltage', 20: 'Module current', 30: 'Temperature', 40: 'Aux input'};
  const KIND_LABELS = {module_voltage: 'module voltage', module_current: 'module current', aux_input: 'aux input'};
  let channels = {modules: [], aux: []};  // {id, label} from the live sample

  // A CalRecord element as an object of its attributes (numbers where they are).
  function readRecord(element) {
    const text = (name) => element.getAttribute(name) || '';
    return {
      channel: text('local_id'),
      type: TYPE_NAMES[text('type')] || 'Other',
      units: text('units'),
      date: text('date'),
      time: text('time'),
      actual: num(element, 'actual_value'),
      before: num(element, 'before_value'),
      beforeDiff: num(element, 'before_diff'),
      beforePercent: num(element, 'before_prcnt'),
      after: num(element, 'after_value'),
      afterDiff: num(element, 'after_diff'),
      afterPercent: num(element, 'after_prcnt'),
      beforeConstant: num(element, 'before_constant'),
      afterConstant: num(element, 'after_constant'),
      samples: num(element, 'num_samples'),
      adjusted: text('adjust') === 'true',
      error: element.hasAttribute('error') ? text('error') : '',
    };
  }

  // Numbers of a record as the table shows them: plain decimals, never the
  // exponent form the station writes.
  const figure = (value, digits = 4) => (Number.isFinite(value) ? value.toFixed(digits) : '—');

  function recordTable(record) {
    const rows = [
      ['Kind', record.type], ['Unit channel', record.channel], ['Measured', `${record.date} ${record.time}`],
      ['Reference value', figure(record.actual)], ['Before', figure(record.before)],
      ['Difference before', figure(record.beforeDiff)], ['Difference before (%)', figure(record.beforePercent, 2)],
      ['After', figure(record.after)], ['Difference after', figure(record.afterDiff)],
      ['Difference after (%)', figure(record.afterPercent, 2)], ['Factor before', figure(record.beforeConstant, 6)],
      ['Factor after', figure(record.afterConstant, 6)], ['Readings', figure(record.samples, 0)],
      ['Corrected', record.adjusted ? 'yes' : 'no (check only)'], ['Error', record.error || 'none'],
    ];
    return el('table', {id: 'record-table', class: 'compact'}, el('tbody', {}, ...rows.map(([name, value]) =>
      el('tr', {'data-field': name}, el('th', {text: name}), el('td', {class: 'num', text: value})))));
  }

  const channelsKnown = () => channels.modules.length + channels.aux.length > 0;

  function channelOptions(type) {
    const list = type === 'aux_input' ? channels.aux : channels.modules;
    return list.map((c) => el('option', {value: c.id, text: c.label}));
  }

  function fillChannels() {
    const form = document.getElementById('step-form');
    const options = channelOptions(form.elements.type.value);
    replace(form.elements.id, ...options);
    VNFields.report(form, 'id', options.length ? ''
      : channelsKnown() ? 'The station lists no channel of this kind.'
        : 'Waiting for the station\'s first measurement: its channels show then.');
  }

  function showChannels(sample) {
    const read = (tag, prefix) => (sample ? [...sample.getElementsByTagName(tag)] : []).map((e) => {
      const id = e.getAttribute('id');
      const description = (e.getAttribute('description') || '').trim();
      return {id, label: `${prefix} ${id}${description ? ' · ' + description : ''}`};
    });
    channels = {modules: read('Module', 'Module'), aux: read('Aux', 'Aux input')};
    fillChannels();
  }

  async function runStep(event) {
    event.preventDefault();
    const form = event.target;
    const type = form.elements.type.value;
    const id = form.elements.id.value;
    const actualText = form.elements.actual.value.trim().replace(',', '.');
    const actual = Number(actualText);
    const actualProblem = actualText === '' ? 'Required: the value the reference instrument shows.'
      : !Number.isFinite(actual) ? 'A number, for example 35.2.' : '';
    if (!VNFields.check(form, [['id', id ? '' : 'Choose a channel.'], ['actual', actualProblem]])) return;
    const adjust = form.elements.adjust.checked;
    const what = `${KIND_LABELS[type]} ${id} against ${actual}`;
    const question = adjust ? `Correct the ${what}? Its conversion factor changes.` : `Check the ${what}?`;
    const button = document.getElementById('step-run');
    button.disabled = true;
    try {
      await VN.confirmThenAct(question, async () => {
        const doc = await VN.postXml('/admin/calibrate',
          `<Calibrate type="${type}" id="${Number(id)}" actual="${actual}" adjust="${adjust ? 1 : 0}"/>`);
        const element = doc && doc.getElementsByTagName('CalRecord')[0];
        if (!element) throw new Error('the station answered no calibration record');
        const record = readRecord(element);
        replace(document.getElementById('step-record'), recordTable(record));
        // The station answers a record even when no unit measured: without
        // readings nothing was checked or corrected.
        if (!(record.samples > 0)) throw new Error('no unit measured this channel (unknown or offline); nothing changed');
        if (record.error) throw new Error(`the unit answered error ${record.error}`);
        await loadReport().catch(VN.showError);
        return adjust ? `Corrected: ${record.after.toFixed(4)} ${record.units} after, ${record.before.toFixed(4)} before.`
          : `Checked: the channel reads ${record.before.toFixed(4)} ${record.units}.`;
      }, document.getElementById('step-result'));
    } finally {
      button.disabled = false;
    }
  }

  function calibrationFile(operation) {
    const type = document.getElementById('file-form').elements.type.value;
    const verb = operation === 'save' ? 'Save' : 'Load';
    const question = operation === 'save'
      ? `Save the units' current ${KIND_LABELS[type]} factors? The saved ones are replaced.`
      : `Load the saved ${KIND_LABELS[type]} factors? The current ones are replaced.`;
    return VN.confirmThenAct(question, async () => {
      const doc = await VN.postXml(`/admin/${operation}_calibration`, `<Calibration type="${type}"/>`);
      const error = doc && doc.documentElement ? doc.documentElement.getAttribute('error') : null;
      if (error === null) throw new Error('the station gave no result');
      if (error !== 'none') throw new Error(`error ${error}`);
      return `${verb === 'Save' ? 'Saved' : 'Loaded'}: ${KIND_LABELS[type]} factors.`;
    }, document.getElementById('file-result'));
  }

  function reportTable(doc) {
    const head = ['Data source', 'Kind', 'Channel', 'Date', 'Time', 'Reference', 'Before', 'Diff before',
      'After', 'Diff after', 'Corrected', 'Error'];
    const rows = [];
    for (const report of doc ? doc.getElementsByTagName('CalReport') : []) {
      const source = report.getAttribute('data_source_name') || report.getAttribute('data_source_id') || '';
      for (const element of report.getElementsByTagName('CalRecord')) {
        const r = readRecord(element);
        const cells = [source, r.type, r.channel, r.date, r.time, figure(r.actual), figure(r.before),
          figure(r.beforeDiff), figure(r.after), figure(r.afterDiff), r.adjusted ? 'yes' : 'no', r.error || ''];
        rows.push(el('tr', {class: 'report-row'}, ...cells.map((value, index) =>
          el('td', {class: index >= 5 && index <= 9 ? 'num' : null, text: value}))));
      }
    }
    if (rows.length === 0) return el('p', {class: 'muted', text: 'The report holds no calibration steps.'});
    return el('table', {id: 'report-table'}, el('thead', {}, el('tr', {}, ...head.map((h) => el('th', {text: h})))),
      el('tbody', {}, ...rows));
  }

  async function loadReport() {
    replace(document.getElementById('report'), reportTable(await VN.getXml('/user/cal_report.xml')));
    VN.markFirstData();
  }

  async function showReportText() {
    const pre = document.getElementById('report-text');
    pre.textContent = await VN.getText('/user/cal_report.txt');
    pre.hidden = false;
  }

  function setMode(on) {
    return VN.confirmThenAct(on ? 'Turn calibration mode on? Every load turns off and storing stops.'
      : 'Turn calibration mode off? The loads are restored and storing goes on.', async () => {
      await VN.request(on ? '/admin/cal_mode_on' : '/admin/cal_mode_off');
      return on ? 'Calibration mode on requested: the loads turn off.' : 'Calibration mode off requested: the loads '
        + 'are restored.';
    }, document.getElementById('mode-result'));
  }

  function restartReport() {
    return VN.confirmThenAct('Restart the calibration report? Its steps so far are dropped.', async () => {
      await VN.request('/admin/restart_cal_report');
      await loadReport();
      if (!document.getElementById('report-text').hidden) await showReportText();
      return 'The calibration report was restarted.';
    }, document.getElementById('report-result'));
  }

  const guarded = (action) => () => action().catch(VN.showError);

  document.addEventListener('DOMContentLoaded', async () => {
    document.getElementById('mode-on').addEventListener('click', () => setMode(true));
    document.getElementById('mode-off').addEventListener('click', () => setMode(false));
    document.getElementById('step-form').addEventListener('submit', runStep);
    document.getElementById('step-form').elements.type.addEventListener('change', fillChannels);
    document.getElementById('cal-save').addEventListener('click', () => calibrationFile('save'));
    document.getElementById('cal-load').addEventListener('click', () => calibrationFile('load'));
    document.getElementById('report-reload').addEventListener('click', guarded(loadReport));
    document.getElementById('report-text-show').addEventListener('click', guarded(showReportText));
    document.getElementById('report-restart').addEventListener('click', restartReport);
    VN.whenMeasured(showChannels);
    await loadReport().catch(VN.showError);
  });
})();
