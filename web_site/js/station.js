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
    return el('section', {class: 'card module', 'data-module': id},
      el('h3', {text: label(module, 'Module')}),
      el('dl', {class: 'figures'},
        ...figure('Voltage', volts, 2, 'V', 'volts'),
        ...figure('Current', amps, 3, 'A', 'amps'),
        ...figure('Power', power, 1, 'W', 'power'),
        el('dt', {text: 'Load mode'}), el('dd', {'data-value': 'mode', text: modes[id] || '—'})));
  }

  function sensorCard(element, kind, digits, unit) {
    return el('section', {class: 'card sensor', 'data-kind': kind, 'data-id': element.getAttribute('id')},
      el('h3', {text: label(element, kind)}),
      VN.showValue(el('div', {class: 'big'}), num(element, 'value'), digits, unit));
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
    showUnits(root);
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
    showStorage(status);
    document.getElementById('next-average').textContent = timeOfDay(first('NextAverageTime'));
    document.getElementById('next-curve').textContent = timeOfDay(first('NextCurveTime'));
    const clock = first('Date_Time');
    document.getElementById('station-time').textContent = clock ? stationTime(clock) : '—';
  }

  // A failing store (a full data volume, say) loses data until mended: the
  // operator must see it at once.
  function showStorage(status) {
    const failing = status.hasAttribute('store_error');
    const text = failing ? (status.getAttribute('store_error_text') || 'failing') +
      ` (error ${status.getAttribute('store_error')})` : 'storing';
    replace(document.getElementById('storage'),
      el('span', {class: 'badge ' + (failing ? 'offline' : 'online'), text}));
  }

  // The station's clock: its year counts from 1900.
  function stationTime(clock) {
    const pad = (name) => String(num(clock, name)).padStart(2, '0');
    const year = num(clock, 'year') + 1900;
    if (!Number.isFinite(year)) return '—';
    return `${pad('month')}/${pad('day')}/${year} ${pad('hour')}:${pad('min')}:${pad('sec')}`;
  }

  // What a module's load does: the global power mode decides, and in its
  // per-channel mode each channel's own tracking mode.
  function loadMode(globalMode, channel) {
    const byGlobal = {0: 0, 1: 1, 2: 2, 3: 0};
    const mode = globalMode === 4 ? num(channel, 'track_mode') : byGlobal[globalMode];
    const volts = num(channel, 'fixed_voltage');
    switch (mode) {
      case 0: return 'off (open circuit)';
      case 1: return 'maximum power';
      case 2: return volts === 0 ? 'short circuit' : `fixed ${Number.isFinite(volts) ? volts.toFixed(1) : '?'} V`;
      case 3: return 'voltage profile';
      default: return '—';
    }
  }

  // A unit is judged by its modules' values: none valid means it is not
  // answering. Channel ids are the unit's number times 100 plus its own id.
  function showUnits(root) {
    const units = new Map();
    for (const module of root.getElementsByTagName('Module')) {
      const unit = Math.floor(num(module, 'id') / 100);
      const valid = ['volts', 'amps', 'power'].some((name) => !VN.isInvalid(num(module, name)));
      units.set(unit, (units.get(unit) || false) || valid);
    }
    replace(document.getElementById('units'), ...[...units].map(([unit, online]) =>
      el('span', {class: 'badge ' + (online ? 'online' : 'offline'), 'data-unit': unit,
        title: online ? 'its modules have valid values' : 'none of its modules has a valid value',
        text: `${unit === 0 ? 'Local unit' : 'Unit ' + unit}: ${online ? 'online' : 'offline'}`})));
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
      const [globals, channels] = await Promise.all([VN.getXml('/admin/global_settings.xml'),
        VN.getXml('/admin/channel_settings.xml')]);
      const globalMode = num(globals && globals.querySelector('Loads'), 'power_mode');
      for (const channel of channels ? channels.querySelectorAll('ModuleChannels > Channel') : []) {
        modes[channel.getAttribute('id')] = loadMode(globalMode, channel);
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
