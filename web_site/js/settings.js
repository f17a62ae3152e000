// The Settings page: one form per settings document of the station, each
// showing the values as they stand, checked before sending, confirmed, and
// compared with the station's answer.
'use strict';

(() => {
  const {Section, xml, writeElement, readElement, children, find, pad} = VNForm;
  const DAY = 86400;

  const window_ = (what) => [
    {key: 'StartTime', label: `${what} from`, kind: 'time', hint: 'hh:mm:ss, station time'},
    {key: 'StopTime', label: `${what} until`, kind: 'time', hint: 'hh:mm:ss, station time'},
  ];

  // One record read from the element named name, or none without it.
  const single = (name, fields) => (doc) => {
    const element = find(doc, name);
    return element ? [{id: null, values: readElement(element, fields)}] : [];
  };

  const number = (element, name) => Number(element.getAttribute(name));
  const figure = (value, digits) => (VN.isInvalid(value) ? '—' : value.toFixed(digits));
  const source = (element) => `unit ${element.getAttribute('data_source')}, input ${element.getAttribute('input_id')}`;

  const samplerFields = [
    {key: 'sample_period', label: 'Sample period', kind: 'int', min: 1, max: DAY, unit: 's'},
    {key: 'average_period', label: 'Average and store every', kind: 'int', min: 1, max: DAY, unit: 's',
      check: (value, all) => (Number(value) < Number(all.sample_period) ? 'Must be at least the sample period.' : '')},
    {key: 'delim', label: 'Column separator', kind: 'text', required: true, maxLength: 4,
      hint: 'between the values of a data file line, e.g. , or ;'},
    {key: 'local_path', label: 'Data folder', kind: 'path', required: true},
    {key: 'backup_path', label: 'Backup folder', kind: 'path', required: true},
    ...window_('Store'),
  ];

  const curveFields = [
    {key: 'interval', label: 'Curve every', kind: 'int', min: 1, max: DAY, unit: 's'},
    {key: 'irrad_min', label: 'Lowest irradiance', kind: 'number', min: 0, max: 2000, unit: 'W/m²'},
    {key: 'irrad_max', label: 'Highest irradiance', kind: 'number', min: 0, max: 2000, unit: 'W/m²',
      check: (value, all) => (Number(value) < Number(all.irrad_min) ? 'Must be at least the lowest irradiance.' : '')},
    {key: 'irrad_filter_enabled', label: 'Only within these irradiances', kind: 'flag'},
    {key: 'curve_path', label: 'Curve folder', kind: 'path', required: true},
    ...window_('Curves'),
  ];

  const timeFields = [
    {key: 'timezone', label: 'Time zone: hours behind UTC', kind: 'int', min: -14, max: 12, unit: 'h',
      hint: '5 means UTC−5, −2 means UTC+2'},
    {key: 'ntp_enabled', label: 'Set the clock from NTP servers', kind: 'flag'},
    ...[1, 2, 3, 4].map((n) => ({key: `Server${n}`, label: `NTP server ${n}`, kind: 'server', required: true})),
  ];

  function readTime(doc) {
    const settings = find(doc, 'TimeSettings');
    if (!settings) return [];
    const values = readElement(settings, timeFields.slice(0, 2));
    const servers = children(settings, 'NTP_Servers')[0];
    for (const n of [1, 2, 3, 4]) {
      const server = children(servers, `Server${n}`)[0];
      values[`Server${n}`] = server ? server.getAttribute('address') || '' : '';
    }
    return [{id: null, values, details: `Station clock: ${stationClock(doc)}`}];
  }

  function writeTime(records) {
    const {values} = records[0];
    return xml('Settings', (root) => {
      const settings = writeElement(root, 'TimeSettings', timeFields.slice(0, 2), values);
      const servers = settings.appendChild(root.ownerDocument.createElement('NTP_Servers'));
      for (const n of [1, 2, 3, 4]) {
        servers.appendChild(root.ownerDocument.createElement(`Server${n}`)).setAttribute('address', values[`Server${n}`].trim());
      }
    });
  }

  // The CurrentTimeDate of a reply as "YYYY-MM-DD hh:mm:ss".
  function stationClock(doc) {
    const date = find(doc, 'Date');
    const time = find(doc, 'Time');
    if (!date || !time) return 'not known';
    const part = (element, name) => pad(number(element, name));
    return `${date.getAttribute('year')}-${part(date, 'month')}-${part(date, 'day')} ` +
      `${part(time, 'hour')}:${part(time, 'min')}:${part(time, 'sec')}`;
  }

  const clockFields = [
    {key: 'date', label: 'Date', kind: 'text', required: true, hint: 'YYYY-MM-DD',
      check: (value) => {
        const match = /^(\d{4})-(\d{2})-(\d{2})$/.exec(value.trim());
        const day = match && new Date(Date.UTC(+match[1], +match[2] - 1, +match[3]));
        const real = day && day.getUTCFullYear() === +match[1] && day.getUTCMonth() === +match[2] - 1 &&
          day.getUTCDate() === +match[3];
        return real && +match[1] >= 2000 ? '' : 'Must be a date as YYYY-MM-DD, year 2000 or later.';
      }},
    {key: 'time', label: 'Time', kind: 'time', hint: 'hh:mm:ss, station time'},
  ];

  function readClock(doc) {
    if (!find(doc, 'CurrentTimeDate')) return [];
    const [date, time] = stationClock(doc).split(' ');
    return [{id: null, values: {date, time}}];
  }

  function writeClock(records) {
    const {date, time} = records[0].values;
    const [year, month, day] = date.trim().split('-').map(Number);
    const at = VNForm.parseTime(time);
    return xml('Settings', (root) => {
      const now = root.appendChild(root.ownerDocument.createElement('TimeSettings'))
        .appendChild(root.ownerDocument.createElement('CurrentTimeDate'));
      const add = (name, parts) => {
        const node = now.appendChild(root.ownerDocument.createElement(name));
        for (const [key, value] of Object.entries(parts)) node.setAttribute(key, String(value));
      };
      add('Date', {year, month, day});
      add('Time', at);
    });
  }

  function thisComputersTime(section) {
    return [VN.el('button', {type: 'button', text: 'Use this device\'s time', onclick: () => {
      const now = new Date();
      section.fill(0, {date: `${now.getFullYear()}-${pad(now.getMonth() + 1)}-${pad(now.getDate())}`,
        time: `${pad(now.getHours())}:${pad(now.getMinutes())}:${pad(now.getSeconds())}`});
    }})];
  }

  const networkFields = [
    {key: 'dhcp_enabled', label: 'Address', kind: 'select',
      options: [['no', 'Fixed (below)'], ['yes', 'From a DHCP server']]},
    {key: 'dhcp_hostname', label: 'Name given to DHCP', kind: 'host'},
    {key: 'hostname', label: 'Host name', kind: 'host', required: true},
    {key: 'ipaddress', label: 'IP address', kind: 'ipv4'},
    {key: 'netmask', label: 'Subnet mask', kind: 'ipv4'},
    {key: 'gateway', label: 'Gateway', kind: 'ipv4'},
    {key: 'dns1', label: 'Name server 1', kind: 'ipv4'},
    {key: 'dns2', label: 'Name server 2', kind: 'ipv4'},
  ];

  function readNetwork(doc) {
    const network = find(doc, 'Network');
    if (!network) return [];
    return [{id: null, values: readElement(network, networkFields),
      details: `MAC address: ${network.getAttribute('macaddress') || 'not known'}`}];
  }

  const moduleFields = [
    {key: 'module_description', label: 'Module', kind: 'text', maxLength: 64},
    {key: 'system_description', label: 'System', kind: 'text', maxLength: 64},
    {key: 'site_description', label: 'Site', kind: 'text', maxLength: 64},
    {key: 'track_mode', label: 'Load', kind: 'select', options: [['0', 'Off (open circuit)'],
      ['1', 'Maximum power tracking'], ['2', 'Fixed voltage'], ['3', 'Voltage profile']]},
    {key: 'fixed_voltage', label: 'Fixed voltage', kind: 'number', min: 0, max: 1000, unit: 'V',
      hint: '0 V holds the module at short circuit'},
    {key: 'enable_curve', label: 'Take I-V curves', kind: 'flag'},
    {key: 'average_usec', label: 'Reading average', kind: 'int', min: 10, max: 1000000, unit: 'µs'},
    {key: 'ptrack_vmin', label: 'Tracking lowest voltage', kind: 'number', min: 0, max: 1, hint: 'fraction of Voc'},
    {key: 'ptrack_vstep', label: 'Tracking step', kind: 'number', min: 0.01, max: 0.2, hint: 'fraction of Voc'},
    {key: 'aperture_area', label: 'Aperture area', kind: 'number', min: 1e-6, max: 1e6, unit: 'm²'},
    {key: 'total_area', label: 'Total area', kind: 'number', min: 1e-6, max: 1e6, unit: 'm²'},
  ];

  // The channel lists a module's curves record, as one line.
  function moduleDetails(channel) {
    const ids = (list, item) => children(children(channel, list)[0], item)
      .map((e) => e.getAttribute('id')).join(', ') || 'none';
    const profile = children(children(channel, 'VoltageProfile')[0], 'Entry').length;
    return `Recorded with its curves: irradiance ${ids('Irradiances', 'Irradiance')}; temperature ` +
      `${ids('Temperatures', 'Temperature')}; aux inputs ${ids('AuxInputs', 'AuxInput')}. Voltage profile: ` +
      `${profile === 0 ? 'none' : profile + ' steps'}.`;
  }

  const readModules = (doc) => children(find(doc, 'ModuleChannels'), 'Channel').map((channel) => ({
    id: channel.getAttribute('id'), legend: `Module channel ${channel.getAttribute('id')}`,
    values: readElement(channel, moduleFields), details: moduleDetails(channel),
  }));

  // Channel lists: the container element holding one element per channel.
  const writeChannels = (root, container, item, fields) => (records) => xml(root, (top) => {
    let parent = top;
    if (container !== root) {
      parent = top.appendChild(top.ownerDocument.createElement(container));
    }
    parent.setAttribute('version', '1');
    for (const record of records) writeElement(parent, item, fields, record.values, {id: record.id});
  });

  const auxFields = [
    {key: 'description', label: 'Description', kind: 'text', maxLength: 64},
    {key: 'units', label: 'Units', kind: 'text', maxLength: 16},
    {key: 'voltage_ref', label: 'Reference voltage', kind: 'number', nonZero: true, unit: 'V'},
    {key: 'converted_ref', label: 'Value at the reference', kind: 'number'},
    {key: 'converted_offset', label: 'Offset', kind: 'number'},
  ];

  const readAux = (doc) => children(find(doc, 'AuxInputs'), 'AuxInput').map((input) => ({
    id: input.getAttribute('id'), legend: `Aux input ${input.getAttribute('id')}`,
    values: readElement(input, auxFields),
    details: `Now ${figure(number(input, 'measured_voltage'), 4)} V → ` +
      `${figure(number(input, 'converted_value'), 2)} ${input.getAttribute('units') || ''} (${source(input)}). ` +
      'Value = voltage × value at the reference ÷ reference voltage + offset.',
  }));

  const temperatureFields = [
    {key: 'description', label: 'Description', kind: 'text', maxLength: 64},
    {key: 'units', label: 'Units', kind: 'text', maxLength: 16},
    {key: 'tc_type', label: 'Thermocouple', kind: 'select',
      options: [['T', 'Type T'], ['K', 'Type K'], ['J', 'Type J'], ['UNKNOWN', 'Unknown']]},
  ];

  const readTemperatures = (doc) => children(find(doc, 'Temperatures'), 'Temperature').map((sensor) => ({
    id: sensor.getAttribute('id'), legend: `Temperature ${sensor.getAttribute('id')}`,
    values: readElement(sensor, temperatureFields),
    details: `Now ${figure(number(sensor, 'value'), 1)} ${sensor.getAttribute('units') || ''} (${source(sensor)}).`,
  }));

  const globalFields = [
    {key: 'power_mode', label: 'Loads of all modules', kind: 'select', options: [
      ['0', 'All loads off (unit command)'], ['1', 'Maximum power tracking'], ['2', 'Each at its fixed voltage'],
      ['3', 'Open circuit'], ['4', 'As each module channel says']]},
    {key: 'curve_mode', label: 'Automatic I-V curves', kind: 'select', options: [
      ['0', 'None'], ['1', 'Every module'], ['2', 'Modules with curves on']]},
  ];

  function readGlobals(doc) {
    const globals = find(doc, 'Globals');
    if (!globals) return [];
    const loads = children(globals, 'Loads')[0];
    const curves = children(globals, 'Curves')[0];
    return [{id: null, values: {
      power_mode: (loads && loads.getAttribute('power_mode')) || '',
      curve_mode: (curves && curves.getAttribute('curve_mode')) || '',
    }}];
  }

  const writeGlobals = (records) => xml('settings', (root) => {
    const globals = root.appendChild(root.ownerDocument.createElement('Globals'));
    globals.setAttribute('version', '1');
    globals.appendChild(root.ownerDocument.createElement('Loads')).setAttribute('power_mode', records[0].values.power_mode);
    globals.appendChild(root.ownerDocument.createElement('Curves')).setAttribute('curve_mode', records[0].values.curve_mode);
  });

  const SECTIONS = [
    {id: 'sampler', title: 'Sampling and storing', source: '/admin/sample_settings.xml',
      target: '/admin/set_sample_settings', fields: samplerFields, read: single('Sampler', samplerFields),
      write: (records) => xml('Settings', (root) => writeElement(root, 'Sampler', samplerFields, records[0].values))},
    {id: 'curves', title: 'I-V curves', source: '/admin/curve_settings.xml', target: '/admin/set_curve_settings',
      fields: curveFields, read: single('Curves', curveFields),
      write: (records) => xml('Settings', (root) => writeElement(root, 'Curves', curveFields, records[0].values))},
    {id: 'time', title: 'Date and time', source: '/admin/date_time_settings.xml',
      target: '/admin/set_date_time_settings', fields: timeFields, read: readTime, write: writeTime},
    {id: 'clock', title: 'Station clock', button: 'Set the clock', source: '/admin/date_time_settings.xml',
      target: '/admin/set_date_time_settings', fields: clockFields, read: readClock, write: writeClock,
      compare: false, tools: thisComputersTime,
      intro: 'Sets the station\'s clock to this date and time. Ignored while NTP servers set the clock.',
      after: (doc) => `The station's clock reads ${stationClock(doc)}.`},
    {id: 'network', title: 'Network', source: '/admin/network_settings.xml', target: '/admin/set_network_settings',
      fields: networkFields, read: readNetwork,
      write: (records) => xml('Settings', (root) => writeElement(root, 'Network', networkFields, records[0].values)),
      warning: 'The station applies network settings at once: with a new address this page loses the station; ' +
        'open it again at the new address.'},
    {id: 'modules', title: 'Module channels', source: '/admin/channel_settings.xml',
      target: '/admin/set_channel_settings', fields: moduleFields, read: readModules,
      write: writeChannels('Settings', 'ModuleChannels', 'Channel', moduleFields), empty: 'No module channels.',
      intro: 'The load of each module when the global load mode leaves it to the channel.'},
    {id: 'aux', title: 'Aux inputs', source: '/admin/aux_input_settings.xml',
      target: '/admin/set_aux_input_settings', fields: auxFields, read: readAux,
      write: writeChannels('AuxInputs', 'AuxInputs', 'AuxInput', auxFields), empty: 'No aux inputs.'},
    {id: 'temperatures', title: 'Temperatures', source: '/admin/temperature_settings.xml',
      target: '/admin/set_temperature_settings', fields: temperatureFields, read: readTemperatures,
      write: writeChannels('Temperatures', 'Temperatures', 'Temperature', temperatureFields),
      empty: 'No temperature inputs.'},
    {id: 'globals', title: 'Global modes', source: '/admin/global_settings.xml',
      target: '/admin/set_global_settings', fields: globalFields, read: readGlobals, write: writeGlobals,
      warning: 'The loads of every module change at once.'},
  ];

  document.addEventListener('DOMContentLoaded', async () => {
    const sections = SECTIONS.map((layout) => new Section(layout));
    VN.replace(document.getElementById('contents'),
      ...SECTIONS.map((layout) => VN.el('li', {}, VN.el('a', {href: `#${layout.id}`, text: layout.title}))));
    VN.replace(document.getElementById('sections'), ...sections.map((section) => section.form));
    const [sample] = await Promise.all([VN.getText('/user/sample.xml').catch(() => 'unknown'),
      ...sections.map((section) => section.load())]);
    // The web server answers before the station has read its settings file.
    if (sample.trim() === '') {
      VN.message('The station is still starting: the values below may be its defaults, not its settings. ' +
        'Reload this page in a moment before changing anything.', 'error');
    }
    VN.markFirstData();
  });
})();
