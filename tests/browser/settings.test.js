// The Settings page in Chromium against a running station copy: a change
// reaches the station's settings file and survives a restart; a refused
// value is named on the page and changes nothing.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const {after, before, describe, test} = require('node:test');

const {endSession, startSession, screenshot, reportLoadTimes, waitUntil} = require('./harness');

// The attributes of the first element named name in an XML file's text.
function elementAttributes(text, name) {
  const match = new RegExp(`<${name}\\b([^>]*)>`).exec(text);
  if (!match) return null;
  return Object.fromEntries([...match[1].matchAll(/(\w+)="([^"]*)"/g)].map((m) => [m[1], m[2]]));
}

describe('settings page', () => {
  let station, browser, context;
  let page;
  const questions = [];

  const settingsFile = () => fs.readFileSync(station.file('settings.xml'), 'utf8');
  const field = (form, name) => page.locator(`#${form} [name="${name}"]`);
  const note = (form, name) => page.locator(`#${form} [id$="-${name}-note"]`);

  before(async () => {
    ({station, browser, context} = await startSession());
    page = await context.newPage();
    page.on('dialog', (dialog) => {
      questions.push(dialog.message());
      dialog.accept();
    });
  });

  after(() => endSession({station, browser}));

  // The web server answers before the controller has read its settings;
  // the live sample is served from then on.
  async function open() {
    await page.goto(station.url + '/settings.html');
    await waitUntil(() => page.evaluate(async () => (await (await fetch('/user/sample.xml')).text()).trim() !== ''),
                    60000, 'the station to read its settings');
    await page.reload();
    await reportLoadTimes(page, 'settings');
  }

  test('a new sample period reaches the settings file and survives a restart', async () => {
    await open();
    assert.equal(await field('sampler', 'sample_period').inputValue(), '1');
    assert.equal(await field('network', 'hostname').inputValue(), 'vantrel');
    assert.equal(await field('globals', 'power_mode').inputValue(), '1');
    assert.equal(await page.locator('#modules fieldset[data-record]').count(), 4);
    assert.equal(await field('curves', 'irrad_max').inputValue(), '1500');

    // Checked here: nothing is asked or sent.
    await field('sampler', 'sample_period').fill('0');
    await page.locator('#sampler button[type="submit"]').click();
    await note('sampler', 'sample_period').filter({hasText: 'from 1 to 86400'}).waitFor();
    assert.match(await page.locator('#sampler .result').textContent(), /Not sent/);
    assert.equal(questions.length, 0);

    await field('sampler', 'sample_period').fill('5');
    await page.locator('#sampler button[type="submit"]').click();
    await page.locator('#sampler .result.ok', {hasText: 'Saved'}).waitFor({timeout: 60000});
    assert.equal(questions.length, 1);
    assert.match(questions[0], /Sample period: "1" → "5"/);
    assert.equal(await note('sampler', 'sample_period').textContent(), '');

    await waitUntil(() => elementAttributes(settingsFile(), 'Sampler').sample_period === '5', 60000,
                    'settings.xml to hold the new sample period');
    await screenshot(page, 'settings');
    await page.setViewportSize({width: 390, height: 844});
    await screenshot(page, 'settings_phone');
    await page.setViewportSize({width: 1280, height: 900});

    await station.restart();
    await open();
    assert.equal(await field('sampler', 'sample_period').inputValue(), '5');
  });

  test('a refused network address is named on the page and changes nothing', async () => {
    await open();
    const network = () => elementAttributes(settingsFile(), 'Network');
    const stored = network();
    const journal = () => fs.readFileSync(station.file('shell_journal.log'), 'utf8');
    const asked = questions.length;

    // The page's own check.
    await field('network', 'ipaddress').fill('192.168.0.300');
    await field('network', 'gateway').fill('192.168.0');
    await page.locator('#network button[type="submit"]').click();
    await note('network', 'ipaddress').filter({hasText: 'IPv4 address'}).waitFor();
    assert.match(await note('network', 'gateway').textContent(), /IPv4 address/);
    assert.match(await page.locator('#network .result').textContent(), /2 values need fixing/);
    assert.equal(questions.length, asked);

    // The station's own check: the page sends an address it accepts, changed
    // on the way into one the station must refuse (a leading zero).
    await field('network', 'gateway').fill('');
    await field('network', 'ipaddress').fill('192.168.0.50');
    await page.route('**/admin/set_network_settings', (route) => route.continue(
      {postData: route.request().postData().replace('192.168.0.50', '192.168.0.050')}));
    await page.locator('#network button[type="submit"]').click();
    await page.locator('#network .result.error', {hasText: 'refused'}).waitFor({timeout: 60000});
    await page.unroute('**/admin/set_network_settings');
    assert.equal(questions.length, asked + 1);
    assert.match(await page.locator('#network .result').textContent(), /IP address "192.168.0.50"/);
    assert.match(await note('network', 'ipaddress').textContent(), /Refused by the station/);
    assert.equal(await field('network', 'ipaddress').inputValue(), stored.ipaddress);
    await page.locator('#network').screenshot({path: path.join(process.env.VN_SCREENSHOTS, 'settings_refused.png')});

    const served = await page.evaluate(async () => (await fetch('/admin/network_settings.xml')).text());
    assert.equal(elementAttributes(served, 'Network').ipaddress, stored.ipaddress);
    assert.deepEqual(network(), stored);
    assert.doesNotMatch(journal(), /192\.168\.0\.0?50/);
  });

  test('a module description with markup characters goes to its channel alone and comes back as typed', async () => {
    await open();
    const description = 'Roof <b>"east" & \'west\'</b>';
    const channel = (id, name) => page.locator(`#modules fieldset[data-record="${id}"] [name="${name}"]`);
    const others = await channel('3', 'module_description').inputValue();
    const posted = [];
    page.on('request', (request) => {
      if (request.url().endsWith('/admin/set_channel_settings')) posted.push(request.postData());
    });
    await channel('2', 'module_description').fill(description);
    await page.locator('#modules button[type="submit"]').click();
    await page.locator('#modules .result.ok', {hasText: 'Saved'}).waitFor({timeout: 60000});
    assert.equal(posted.length, 1);
    assert.deepEqual([...posted[0].matchAll(/<Channel id="(\d+)"/g)].map((m) => m[1]), ['2']);

    await open();
    assert.equal(await channel('2', 'module_description').inputValue(), description);
    assert.equal(await channel('3', 'module_description').inputValue(), others);
    assert.equal(await page.locator('main b').count(), 0);
  });
});
