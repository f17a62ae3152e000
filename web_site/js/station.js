// The Station page: the live sample (every module, the irradiance and the
// temperatures) and the schedule's status, refreshed every sample period.
'use strict';

(() => {
  const {el, num, replace} = VN;
  // Until the sample settings are read (or when this account may not read
  // them) the page refreshes at the station's default sample period.
  let samplePeriodS = 1;
  let modes = {};

  function timeOfDay(element) {
    if (!element) return '—';
    const pad = (name) => String(num(element, name)).padStart(2, '0');
    const day = element.getAttribute('day');
    return `${pad('hour')}:${pad('min')}:${pad('sec')}` + (day ? ` ${day.toLowerCase()}` : '');
  }

  function figure(label, value, digits, unit, name) {
    return [el('dt', {text: label}), VN.showValue(el('dd', {'data-value': name}), value, digits, unit)];
  }

  // A channel's own name, or the kind and id when it has none.
  function label(element, kind) {
    const description = (element.getAttribute('description') || '').trim();
    const id = element.getAttribute('id') || '?';
    return description ? `${description} (${kind} ${id})` : `${kind} ${id}`;
  }

  function moduleCard(module) {
    const id = module.getAttribute('id');
    const volts = num(module, 'volts');
    const amps = num(module, 'amps');
    const power = num(module, 'power');
    const noData = VN.isInvalid(volts) && VN.isInvalid(amps) && VN.isInvalid(power);
    const state = noData ? el('span', {class: 'badge offline', text: 'no data'})
      : el('span', {class: 'badge online', text: 'online'});
    return el('section', {class: 'card module', 'data-module': id},
      el('h3', {}, label(module, 'Module'), ' ', state),
      el('dl', {class: 'figures'},
        ...figure('Voltage', volts, 2, 'V', 'volts'),
        ...figure('Current', amps, 3, 'A', 'amps'),
        ...figure('Power', power, 1, 'W', 'power'),
        el('dt', {text: 'Load mode'}), el('dd', {'data-value': 'mode', text: modes[id] || '—'})));
  }

  function sensorCard(element, kind, digits, unit) {
    return el('section', {class: 'card sensor', 'data-kind': kind, 'data-id': element.getAttribute('id')},
      el('h3', {text: label(element, kind)}),
      VN.valueElement('div', num(element, 'value'), digits, unit));
  }

  function showSample(doc) {
    const root = doc && doc.documentElement;
    if (!root) {
      VN.message('The station has no sample yet (it is starting).', 'busy');
      return false;
    }
    const text = (name) => (root.getElementsByTagName(name)[0] || {}).textContent || '';
    document.getElementById('sample-time').textContent = `${text('Date')} ${text('Time')}`.trim() || '—';
    replace(document.getElementById('modules'), ...[...root.getElementsByTagName('Module')].map(moduleCard));
    replace(document.getElementById('irradiance'),
      ...[...root.getElementsByTagName('Aux')].map((aux) => sensorCard(aux, 'Irradiance', 0, 'W/m²')));
    replace(document.getElementById('temperatures'),
      ...[...root.getElementsByTagName('Temp')].map((temp) => sensorCard(temp, 'Temperature', 1, '°C')));
    return true;
  }

  function showStatus(doc) {
    const status = doc && doc.documentElement;
    if (!status) return;
    const first = (name) => status.getElementsByTagName(name)[0];
    document.getElementById('state').textContent = status.getAttribute('state') || '—';
    document.getElementById('next-average').textContent = timeOfDay(first('NextAverageTime'));
    document.getElementById('next-curve').textContent = timeOfDay(first('NextCurveTime'));
    const clock = first('Date_Time');
    document.getElementById('station-time').textContent = clock ? stationTime(clock) : '—';
  }

  // The station's clock element: its text, or its attributes in order.
  function stationTime(clock) {
    const text = clock.textContent.trim();
    if (text) return text;
    return [...clock.attributes].map((a) => a.value).join(' ');
  }

  // The sample period and each module's load mode, read once: an account
  // without access to the settings keeps the defaults.
  async function readSettings() {
    try {
      const settings = await VN.getXml('/admin/sample_settings.xml');
      const sampler = settings && settings.querySelector('[sample_period]');
      const period = num(sampler, 'sample_period');
      if (period > 0) samplePeriodS = period;
      document.getElementById('sample-period').textContent = `${samplePeriodS} s`;
    } catch (error) {
      document.getElementById('sample-period').textContent = `${samplePeriodS} s (default)`;
    }
    try {
      const channels = await VN.getXml('/admin/channel_settings.xml');
      for (const channel of channels ? channels.querySelectorAll('[id]') : []) {
        const mode = channel.getAttribute('mode') || channel.getAttribute('load_mode');
        if (mode !== null) modes[channel.getAttribute('id')] = mode;
      }
    } catch (error) {
      modes = {};
    }
  }

  async function refresh() {
    const [sample, status] = await Promise.all([VN.getXml('/user/sample.xml'), VN.getXml('/user/status.xml')]);
    showStatus(status);
    if (showSample(sample)) {
      VN.message('');
      VN.markFirstData();
    }
  }

  document.addEventListener('DOMContentLoaded', async () => {
    await readSettings();
    VN.repeat(refresh, () => samplePeriodS * 1000);
  });
})();
