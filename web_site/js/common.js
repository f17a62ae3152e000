// Shared by every page of the station's site: requests to the station, page
// building without innerHTML, value formatting, confirmations and the
// navigation bar. Everything lives on the VN object; pages add their own
// script after this one.
'use strict';

const VN = (() => {
  // The station writes this for a value it could not measure.
  const INVALID = -9999;

  const PAGES = [
    ['index.html', 'Station'],
    ['curves.html', 'Curves'],
    ['data.html', 'Data'],
    ['settings.html', 'Settings'],
    ['calibration.html', 'Calibration'],
    ['accounts.html', 'Accounts'],
    ['system.html', 'System'],
  ];

  // An Error that says which request failed and how, for the message line.
  function requestError(url, what) {
    const error = new Error(url + ': ' + what);
    error.url = url;
    return error;
  }

  // Sends a request and resolves with the reply's text. Rejects with a
  // readable Error on a network failure or an HTTP status other than 2xx.
  // options: {method, body, timeoutMs}.
  async function request(url, options = {}) {
    const init = {method: options.method || 'GET', credentials: 'same-origin', cache: 'no-store'};
    if (options.body !== undefined) {
      init.body = options.body;
      init.headers = {'Content-Type': 'text/xml'};
    }
    let controller = null;
    let timer = null;
    if (options.timeoutMs) {
      controller = new AbortController();
      init.signal = controller.signal;
      timer = setTimeout(() => controller.abort(), options.timeoutMs);
    }
    let reply;
    try {
      reply = await fetch(url, init);
    } catch (error) {
      throw requestError(url, error.name === 'AbortError' ? 'no answer in time' : 'station not reachable');
    } finally {
      if (timer) clearTimeout(timer);
    }
    const text = await reply.text();
    if (!reply.ok) {
      const reason = reply.status === 401 ? 'not logged in (wrong user name or password)'
        : reply.status === 403 ? 'not allowed'
          : reply.status === 404 ? 'not found' : 'HTTP ' + reply.status;
      throw requestError(url, reason);
    }
    return text;
  }

  // Parses XML text; an empty text gives null (the station answers nothing
  // before its first start-up). Malformed XML rejects.
  function parseXml(url, text) {
    if (text.trim() === '') return null;
    const doc = new DOMParser().parseFromString(text, 'application/xml');
    if (doc.getElementsByTagName('parsererror').length > 0) throw requestError(url, 'reply is not valid XML');
    return doc;
  }

  // GET an XML document: resolves with a Document, or null for an empty reply.
  async function getXml(url, options = {}) {
    return parseXml(url, await request(url, options));
  }

  // POST an XML text: resolves with the reply's Document, or null when the
  // station answered nothing.
  async function postXml(url, body, options = {}) {
    return parseXml(url, await request(url, Object.assign({}, options, {method: 'POST', body})));
  }

  // GET a plain text.
  function getText(url, options = {}) {
    return request(url, options);
  }

  // Builds an element: attrs sets attributes (plus 'text' for textContent
  // and 'on<event>' for listeners); children are nodes or strings (as text).
  function el(tag, attrs = {}, ...children) {
    const node = document.createElement(tag);
    for (const [name, value] of Object.entries(attrs)) {
      if (value === undefined || value === null || value === false) continue;
      if (name === 'text') node.textContent = String(value);
      else if (name.startsWith('on') && typeof value === 'function') node.addEventListener(name.slice(2), value);
      else node.setAttribute(name, value === true ? '' : String(value));
    }
    for (const child of children) {
      if (child === null || child === undefined) continue;
      node.append(child instanceof Node ? child : document.createTextNode(String(child)));
    }
    return node;
  }

  // Replaces a node's children.
  function replace(node, ...children) {
    node.replaceChildren(...children.filter((c) => c !== null && c !== undefined));
    return node;
  }

  // A number from an attribute (or from the element's text when attribute is
  // omitted); NaN when it is absent or not a number.
  function num(element, attribute) {
    if (!element) return NaN;
    const text = attribute === undefined ? element.textContent : element.getAttribute(attribute);
    if (text === null || text.trim() === '') return NaN;
    const value = Number(text);
    return Number.isFinite(value) ? value : NaN;
  }

  // True for the station's invalid mark and for anything not a number.
  function isInvalid(value) {
    return !Number.isFinite(value) || value <= INVALID + 0.5 && value >= INVALID - 0.5;
  }

  // Formats a value with a fixed number of decimals: {text, title, invalid}.
  // The invalid mark and a missing value show as a dash with a title saying which.
  function format(value, digits, unit = '') {
    if (!Number.isFinite(value)) return {text: '—', title: 'not available', invalid: true};
    if (isInvalid(value)) return {text: '—', title: 'invalid: no valid measurement', invalid: true};
    const text = value.toFixed(digits) + (unit ? ' ' + unit : '');
    return {text, title: '', invalid: false};
  }

  // Writes a formatted value into a node (marking it invalid by class).
  function showValue(node, value, digits, unit = '') {
    const shown = format(value, digits, unit);
    node.textContent = shown.text;
    node.title = shown.title;
    node.classList.toggle('invalid', shown.invalid);
    return node;
  }

  // An element holding a formatted value.
  function valueElement(tag, value, digits, unit = '') {
    return showValue(el(tag), value, digits, unit);
  }

  // The page's message line: kind is 'ok', 'error' or 'busy'.
  function message(text, kind = 'ok') {
    const line = document.getElementById('message');
    if (!line) return;
    line.textContent = text;
    line.className = 'message ' + kind;
    line.hidden = text === '';
  }

  // Shows a failed request on the message line (and keeps the page usable).
  function showError(error) {
    message(error && error.message ? error.message : String(error), 'error');
  }

  // Asks the question; when confirmed, runs action() (which may return a
  // promise of a result text) and shows the result or the failure in
  // resultNode (or the message line). Resolves with true when the action ran
  // and succeeded.
  async function confirmThenAct(question, action, resultNode = null) {
    if (!window.confirm(question)) return false;
    const show = (text, kind) => {
      if (resultNode) {
        resultNode.textContent = text;
        resultNode.className = 'result ' + kind;
      } else {
        message(text, kind);
      }
    };
    show('Working…', 'busy');
    try {
      const result = await action();
      show(result || 'Done.', 'ok');
      return true;
    } catch (error) {
      show('Failed: ' + (error && error.message ? error.message : String(error)), 'error');
      return false;
    }
  }

  // The "error" attribute of a reply's root element: 0 is success.
  function replyError(doc) {
    if (!doc || !doc.documentElement) return NaN;
    return num(doc.documentElement, 'error');
  }

  // Fills <nav id="nav"> with the site's pages, the current one marked.
  function nav() {
    const bar = document.getElementById('nav');
    if (!bar) return;
    const here = location.pathname.split('/').pop() || 'index.html';
    const list = el('ul');
    for (const [href, label] of PAGES) {
      const link = el('a', {href, text: label});
      if (href === here) link.setAttribute('aria-current', 'page');
      list.append(el('li', {}, link));
    }
    replace(bar, el('span', {class: 'brand', text: 'VN5 station'}), list);
  }

  // Calls show(sample) with the live sample now and again every few seconds
  // until it names a channel: before the station's first measurement it names
  // none, and a page that asked once would list no channel for good.
  function whenMeasured(show) {
    const stop = repeat(async () => {
      const sample = await getXml('/user/sample.xml');
      show(sample);
      if (sample && sample.querySelector('Module, Aux')) stop();
    }, () => 3000);
  }

  // Runs task now and every periodMs() milliseconds after it finishes (so a
  // slow station never gets overlapping requests). Returns a stop function.
  function repeat(task, periodMs) {
    let timer = null;
    let stopped = false;
    const run = async () => {
      try {
        await task();
      } catch (error) {
        showError(error);
      }
      if (!stopped) timer = setTimeout(run, Math.max(500, periodMs()));
    };
    run();
    return () => {
      stopped = true;
      clearTimeout(timer);
    };
  }

  // Offers text as a file download.
  function download(fileName, text, type = 'text/csv') {
    const url = URL.createObjectURL(new Blob([text], {type}));
    const link = el('a', {href: url, download: fileName});
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 10000);
  }

  // Marks (once) when a page first shows the station's data, so its load
  // time can be measured.
  function markFirstData() {
    if (performance.getEntriesByName('vn-first-data').length === 0) performance.mark('vn-first-data');
  }

  // Line colours of the plots, dark enough to read outdoors.
  const COLOURS = ['#0040a0', '#b00000', '#006b2a', '#7a3e00', '#6a0dad', '#00707a', '#444444', '#a0006b'];

  // Draws lines against a linear x axis with a y axis on each side (the right
  // one without its own grid lines), in place of the chart given; returns the
  // new chart. scales: {x, <left axis id>, <right axis id>} as the plotting
  // library takes them; plugins are added to the bottom legend.
  function lineChart(previous, canvas, datasets, scales, plugins = {}) {
    if (typeof Chart === 'undefined') throw new Error('the plotting library (lib/chart.min.js) is missing');
    if (previous) previous.destroy();
    Chart.defaults.font.size = 15;  // readable outdoors
    return new Chart(canvas, {
      type: 'scatter',
      data: {datasets},
      options: {animation: false, maintainAspectRatio: false, scales,
        plugins: Object.assign({legend: {position: 'bottom'}}, plugins)},
    });
  }

  document.addEventListener('DOMContentLoaded', nav);

  return {
    INVALID, request, getXml, postXml, getText, el, replace, num, isInvalid, format, showValue,
    valueElement, message, showError, confirmThenAct, replyError, nav, repeat, whenMeasured, download, markFirstData,
    COLOURS, lineChart,
  };
})();
