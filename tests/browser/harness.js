// A simulated station copy with the site installed, its controller, and a
// Chromium logged in to it, for the site's browser tests.
//
// Environment (set by CTest): VN_SOURCE_DIR (repository), VN_CONTROLLER and
// VN_FIRMWARE (built programs), VN_SCREENSHOTS (folder for page pictures).
'use strict';

const assert = require('node:assert/strict');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');

let chromium;
try {
  ({chromium} = require('playwright-core'));
} catch (error) {
  throw new Error('playwright-core is missing: run "npm ci" in tests/browser (scripts/setup.sh does it) -- ' +
                  error.message);
}

const env = (name) => {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set (the browser tests run from ctest)`);
  return value;
};

const OPERATOR = 'operator';
const PASSWORD = 'sun-2026-pw';
// Chromium as root on a machine without internet: no sandbox, no
// background connections that the closed network would refuse.
const CHROMIUM_ARGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                       '--disable-background-networking', '--disable-component-update', '--disable-sync'];

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.unref();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const {port} = server.address();
      server.close(() => resolve(port));
    });
  });
}

// Polls condition() (sync or async) until it returns a truthy value, which
// is returned; throws with what() after timeoutMs.
async function waitUntil(condition, timeoutMs, what) {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    let value;
    try {
      value = await condition();
    } catch (error) {
      value = undefined;
    }
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

function attributes(text) {
  const values = {};
  for (const match of text.matchAll(/(\w+)="([^"]*)"/g)) values[match[1]] = match[2];
  return values;
}

// The ground truth the unit program writes: {irradiance, ambient, modules:
// {id: {voltage, current, power, pmax, voc, isc, cell_temperature}}}.
function parseTruth(xml) {
  const environment = /<Environment\b([^>]*)>/.exec(xml);
  const truth = {modules: {}};
  if (environment) {
    const a = attributes(environment[1]);
    truth.irradiance = Number(a.irradiance);
    truth.ambient = Number(a.ambient);
  }
  for (const match of xml.matchAll(/<Module\b([^>]*)>/g)) {
    const a = attributes(match[1]);
    const module = {};
    for (const [name, value] of Object.entries(a)) module[name] = Number(value);
    truth.modules[a.id] = module;
  }
  return truth;
}

class Station {
  // Copies sim_station/ with free ports, links the unit program and installs
  // the site into the document root.
  static async create() {
    const station = new Station();
    await station.prepare();
    return station;
  }

  async prepare() {
    const source = env('VN_SOURCE_DIR');
    this.dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vn-site-'));
    fs.cpSync(path.join(source, 'sim_station'), this.dir, {recursive: true});
    this.unitPort = await freePort();
    this.httpPort = await freePort();
    this.modbusPort = await freePort();
    this.patch('hw_config.xml', 'port="3010"', `port="${this.unitPort}"`);
    this.patch('sim_station.xml', 'unit_port="3010"', `unit_port="${this.unitPort}"`);
    this.patch('sim_station.xml', 'http_port="8080"', `http_port="${this.httpPort}"`);
    this.patch('sim_station.xml', 'modbus_port="1502"', `modbus_port="${this.modbusPort}"`);
    fs.symlinkSync(env('VN_FIRMWARE'), path.join(this.dir, 'vn_firmware'));
    childProcess.execFileSync('bash', [path.join(source, 'scripts/install_site.sh'), path.join(this.dir, 'web_site')],
                              {stdio: 'inherit'});
    this.url = `http://127.0.0.1:${this.httpPort}`;
  }

  patch(file, from, to) {
    const name = path.join(this.dir, file);
    const text = fs.readFileSync(name, 'utf8');
    assert.ok(text.includes(from), `${file}: ${from}`);
    fs.writeFileSync(name, text.replace(from, to));
  }

  file(name) {
    return path.join(this.dir, name);
  }

  // Starts the controller (it starts the unit program) and waits until its
  // web server answers.
  async start() {
    const log = fs.openSync(this.file('child_output.log'), 'a');
    this.controller = childProcess.spawn(env('VN_CONTROLLER'), [], {cwd: this.dir, stdio: ['ignore', log, log]});
    fs.closeSync(log);
    const controller = this.controller;
    this.exited = new Promise((resolve) => controller.once('exit', (code, signal) => {
      // Only stop() kills it: any other end is a fault the test's own failure
      // would not explain (a sanitizer's report is in this output).
      if (!controller.stopping) {
        console.error(`vn_controller ended on its own (${signal || code}); its output:\n${this.output()}`);
      }
      resolve();
    }));
    await waitUntil(async () => (await fetch(this.url + '/user/status.xml')).status > 0, 60000,
                    'the controller\'s web server');
  }

  // The unit programs the controller started (as its journal lists them)
  // that still run.
  unitPids() {
    let journal = '';
    try {
      journal = fs.readFileSync(this.file('shell_journal.log'), 'utf8');
    } catch (error) {
      return [];
    }
    const pids = [...journal.matchAll(/started pid (\d+)/g)].map((m) => Number(m[1]));
    return pids.filter((pid) => {
      try {
        return fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes('vn_firmware');
      } catch (error) {
        return false;
      }
    });
  }

  // Stops the controller and its unit program and waits until both are gone.
  async stop() {
    if (this.controller && this.controller.exitCode === null && this.controller.signalCode === null) {
      this.controller.stopping = true;
      this.controller.kill('SIGKILL');
      await this.exited;
    }
    this.controller = null;
    for (const pid of this.unitPids()) {
      try {
        process.kill(pid, 'SIGKILL');
      } catch (error) {
        // already gone
      }
    }
    await waitUntil(() => this.unitPids().length === 0, 30000, 'the unit program to end');
  }

  async restart() {
    await this.stop();
    await this.start();
  }

  // Creates the first administrator on the open station.
  async createAdministrator() {
    const reply = await fetch(this.url + '/admin/save_username', {
      method: 'POST',
      body: `<Users><Username type="web_admin" current_username="unknown" new_username="${OPERATOR}" ` +
            `password="${PASSWORD}"/></Users>`,
    });
    assert.equal(reply.status, 200, await reply.text());
    const anonymous = await fetch(this.url + '/user/status.xml');
    assert.equal(anonymous.status, 401, 'the station stays open after its administrator was created');
  }

  truth() {
    return parseTruth(fs.readFileSync(this.file('sim_truth.xml'), 'utf8'));
  }

  output() {
    try {
      return fs.readFileSync(this.file('child_output.log'), 'utf8');
    } catch (error) {
      return '';
    }
  }

  async remove() {
    await this.stop();
    fs.rmSync(this.dir, {recursive: true, force: true});
  }
}

// Chromium with a context logged in (digest) as the station's administrator.
async function openBrowser() {
  const browser = await chromium.launch({executablePath: '/usr/bin/chromium', args: CHROMIUM_ARGS});
  const context = await browser.newContext({
    httpCredentials: {username: OPERATOR, password: PASSWORD},
    viewport: {width: 1280, height: 900},
  });
  return {browser, context};
}

// A started station copy and Chromium logged in to it; with administrator
// false the station is left open (no account yet).
async function startSession({administrator = true} = {}) {
  const station = await Station.create();
  await station.start();
  if (administrator) await station.createAdministrator();
  const {browser, context} = await openBrowser();
  return {station, browser, context};
}

// Closes what startSession opened, as far as it got.
async function endSession({station, browser}) {
  if (browser) await browser.close();
  if (station) await station.remove();
}

async function screenshot(page, name) {
  const folder = env('VN_SCREENSHOTS');
  fs.mkdirSync(folder, {recursive: true});
  await page.screenshot({path: path.join(folder, name + '.png'), fullPage: true});
}

// Navigation Timing of the page and the time its first data was shown (the
// page's "vn-first-data" mark), in ms from navigation start, printed for the
// record.
async function reportLoadTimes(page, name) {
  await page.waitForFunction(() => performance.getEntriesByName('vn-first-data').length > 0, null,
                             {timeout: 120000});
  const times = await page.evaluate(() => ({
    load: performance.getEntriesByType('navigation')[0].loadEventEnd,
    firstData: performance.getEntriesByName('vn-first-data')[0].startTime,
  }));
  console.log(`page load ${name}: loadEventEnd ${times.load.toFixed(0)} ms, first data shown at ` +
              `${times.firstData.toFixed(0)} ms`);
  return times;
}

module.exports = {Station, openBrowser, startSession, endSession, screenshot, reportLoadTimes, waitUntil, parseTruth, OPERATOR, PASSWORD};
