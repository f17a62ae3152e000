// The operator's site in Chromium against a running simulated station, logged
// in as its administrator. The tests run in order on one station: the ones
// that disturb the loads come last.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const {after, before, describe, test} = require('node:test');

const {endSession, startSession, screenshot, reportLoadTimes, waitUntil} = require('./harness');

const near = (value, expected, fraction) => Math.abs(value - expected) <= fraction * Math.abs(expected);
const tracking = (truth) => Object.values(truth.modules).length === 4 &&
  Object.values(truth.modules).every((m) => m.power >= 0.97 * m.pmax);

describe('operator site', () => {
  let station, browser, context;

  before(async () => ({station, browser, context} = await startSession()));

  after(() => endSession({station, browser}));

  test('the Station page shows the truth and refreshes', async () => {
    const page = await context.newPage();
    await page.goto(station.url + '/');
    assert.equal(await page.locator('h1').textContent(), 'Station');
    await page.locator('nav a[aria-current="page"]', {hasText: 'Station'}).waitFor();
    await reportLoadTimes(page, 'station');

    // The shown figures, as numbers (NaN for a dash).
    const shown = () => page.evaluate(() => {
      const value = (node) => (node ? parseFloat(node.textContent) : NaN);
      const modules = {};
      for (const card of document.querySelectorAll('[data-module]')) {
        modules[card.dataset.module] = {
          volts: value(card.querySelector('[data-value="volts"]')),
          amps: value(card.querySelector('[data-value="amps"]')),
        };
      }
      const irradiance = value(document.querySelector('[data-kind="Irradiance"][data-id="1"] div'));
      return {modules, irradiance, time: document.getElementById('sample-time').textContent};
    });
    let last;
    await waitUntil(async () => {
      last = await shown();
      const truth = station.truth();
      if (!tracking(truth)) return false;
      const agree = ['1', '2', '3', '4'].every((id) => last.modules[id] &&
        near(last.modules[id].volts, truth.modules[id].voltage, 0.015) &&
        near(last.modules[id].amps, truth.modules[id].current, 0.015));
      return agree && near(last.irradiance, truth.irradiance, 0.02);
    }, 120000, 'the Station page to agree with the truth');
    assert.match(await page.locator('#units').textContent(), /Local unit: online/);
    assert.match(await page.locator('.module [data-value="mode"]').first().textContent(), /maximum power/);
    assert.equal(await page.locator('#storage').textContent(), 'storing');

    const before = last.time;
    await page.waitForFunction((time) => document.getElementById('sample-time').textContent !== time, before,
                               {timeout: 60000});
    await screenshot(page, 'station');

    await page.setViewportSize({width: 390, height: 844});
    await screenshot(page, 'station_phone');

    // A full data volume shows at the next store and clears when space returns.
    fs.writeFileSync(station.file('sim_volume_full'), '/data\n');
    await page.locator('#storage', {hasText: 'Data volume full (error 802)'}).waitFor({timeout: 60000});
    await screenshot(page, 'station_volume_full');
    fs.unlinkSync(station.file('sim_volume_full'));
    await page.locator('#storage', {hasText: /^storing$/}).waitFor({timeout: 60000});
    await page.close();
  });

  test('a manual curve of module 3 is plotted with its figures', async () => {
    const page = await context.newPage();
    await page.goto(station.url + '/curves.html');
    await reportLoadTimes(page, 'curves');
    for (const box of await page.locator('#modules input[type="checkbox"]').all()) {
      if (await box.getAttribute('value') !== '3') await box.uncheck();
    }
    await page.locator('#take').click();
    // The wait shows its seconds, and the page answers meanwhile.
    await page.locator('#take-wait.busy').waitFor();
    assert.equal(await page.locator('#take').isDisabled(), true);
    await page.locator('#take-wait.ok').waitFor({timeout: 120000});
    assert.match(await page.locator('#take-wait').textContent(), /module 3/);

    const pmax = parseFloat(await page.locator('[data-figure="Pmax"] td[data-module="3"]').textContent());
    const truth = station.truth();
    assert.ok(near(pmax, truth.modules['3'].pmax, 0.02), `Pmax ${pmax} W, truth ${truth.modules['3'].pmax} W`);
    for (const figure of ['Isc', 'Voc', 'Vmp', 'Imp', 'Fill factor']) {
      const text = await page.locator(`[data-figure="${figure}"] td[data-module="3"]`).textContent();
      assert.ok(Number.isFinite(parseFloat(text)), `${figure}: ${text}`);
    }
    const plotted = await page.evaluate(() => Chart.getChart(document.getElementById('plot')).data.datasets
      .map((d) => ({axis: d.yAxisID, points: d.data.length})));
    assert.deepEqual(plotted.map((d) => d.axis), ['current', 'power']);
    assert.ok(plotted[0].points > 100, JSON.stringify(plotted));

    const [download] = await Promise.all([page.waitForEvent('download'),
      page.locator('#figures-table button', {hasText: 'Download'}).click()]);
    assert.equal(download.suggestedFilename(), 'last_iv_3.csv');
    await screenshot(page, 'curves');

    // A sweep the unit never answers: the station answers with the stored
    // curve of before, which must not pass for a new one.
    const [stopped] = station.unitPids();
    process.kill(stopped, 'SIGSTOP');
    await page.locator('#take').click();
    await page.locator('#take-wait.error').waitFor({timeout: 120000});
    assert.match(await page.locator('#take-wait').textContent(), /^No new curve of module 3: /);
    await screenshot(page, 'curves_not_taken');
    // The controller restarts the unit program; the later tests need it tracking.
    await waitUntil(() => !station.unitPids().includes(stopped) && tracking(station.truth()), 120000,
                    'the unit program to track again after its restart');
    await page.close();
  });

  test('paths out of the data folder are not found', async () => {
    const page = await context.newPage();
    await page.goto(station.url + '/');
    // The browser folds "../" before sending; the encoded forms reach the server as written.
    const statuses = await page.evaluate(async () => Promise.all(
      ['/user/data/../settings.xml', '/user/data/..%2Fsettings.xml', '/user/data/%2e%2e%2fsettings.xml',
       '/user/curves/..%2F..%2Fsettings.xml'].map(async (uri) => (await fetch(uri)).status)));
    assert.deepEqual(statuses, [404, 404, 404, 404]);
    await page.close();
  });

  test('the System page turns all loads off after a confirmation', async () => {
    const page = await context.newPage();
    await page.goto(station.url + '/system.html');
    await reportLoadTimes(page, 'system');
    await page.locator('#about', {hasText: 'Controller Software Version'}).waitFor();

    const questions = [];
    page.on('dialog', (dialog) => {
      questions.push(dialog.message());
      // The first question is declined: nothing may happen.
      (questions.length === 1 ? dialog.dismiss() : dialog.accept());
    });
    await page.locator('#loads-off').click();
    await waitUntil(() => questions.length === 1, 30000, 'the confirmation');
    assert.equal(await page.locator('#loads-result').textContent(), '');

    await page.locator('#loads-off').click();
    await page.locator('#loads-result.ok', {hasText: 'All loads are off.'}).waitFor({timeout: 60000});
    assert.equal(questions.length, 2);
    assert.match(questions[1], /load/i);
    await waitUntil(() => Object.values(station.truth().modules).every((m) => Math.abs(m.current) < 0.2), 60000,
                    'the truth to show every module open');
    await screenshot(page, 'system');
    await page.close();
  });
});
