// The Calibration page against a running station: it lists the channels once
// the station has measured; a check step on a module voltage shows its record
// and lands in the report, which shows as a table and as text; a bad
// reference value is refused in the browser.
'use strict';

const assert = require('node:assert/strict');
const {after, before, describe, test} = require('node:test');

const {endSession, startSession, screenshot, reportLoadTimes, waitUntil} = require('./harness');

describe('calibration page', () => {
  let station, browser, context;

  before(async () => ({station, browser, context} = await startSession()));

  after(() => endSession({station, browser}));

  test('a check step on a module voltage shows its record and the report rows', async () => {
    const page = await context.newPage();
    const questions = [];
    page.on('dialog', (dialog) => {
      questions.push(dialog.message());
      dialog.accept();
    });
    // The first answers name no channel, as before the station's first
    // measurement: the page says it waits and lists the channels once they come.
    let emptySamples = 2;
    await page.route('**/user/sample.xml', (route) => (emptySamples-- > 0
      ? route.fulfill({status: 200, contentType: 'text/xml', body: ''}) : route.continue()));
    await page.goto(station.url + '/calibration.html');
    await reportLoadTimes(page, 'calibration');
    const form = page.locator('#step-form');
    await form.locator('.field-error[data-for="id"]', {hasText: 'first measurement'}).waitFor();
    await form.locator('select[name="id"] option[value="2"]').waitFor({state: 'attached', timeout: 60000});
    await page.unroute('**/user/sample.xml');
    assert.equal(await form.locator('.field-error[data-for="id"]').textContent(), '');
    await form.locator('[name="type"]').selectOption('module_voltage');
    await form.locator('[name="id"]').selectOption('2');

    await form.locator('[name="actual"]').fill('12,5 V');
    await form.locator('#step-run').click();
    await form.locator('.field-error[data-for="actual"]', {hasText: 'number'}).waitFor();
    assert.equal(questions.length, 0);

    const reference = await waitUntil(() => {
      const module = station.truth().modules['2'];
      return module && module.power >= 0.97 * module.pmax && module.voltage;
    }, 120000, 'module 2 at its maximum power point');
    await form.locator('[name="actual"]').fill(reference.toFixed(3));
    assert.equal(await form.locator('[name="adjust"]').isChecked(), false);
    await form.locator('#step-run').click();
    await page.locator('#step-result.ok', {hasText: 'Checked'}).waitFor({timeout: 90000});
    assert.match(questions[0], /Check the module voltage 2/);

    const field = async (name) => page.locator(`#record-table tr[data-field="${name}"] td`).textContent();
    assert.equal(await field('Corrected'), 'no (check only)');
    assert.equal(Number(await field('Reference value')), Number(reference.toFixed(3)));
    // The tracker moves the module during the readings, so the measurement is
    // held to the module's range and to the record's own differences.
    const measured = Number(await field('Before'));
    const voc = station.truth().modules['2'].voc;
    assert.ok(measured > 0.5 * voc && measured <= 1.05 * voc, `measured ${measured} V, open circuit ${voc} V`);
    assert.ok(Math.abs(Number(await field('Difference before')) - (measured - Number(reference.toFixed(3)))) < 0.001);
    assert.match(await page.locator('#step-result').textContent(), new RegExp(measured.toFixed(4)));
    assert.equal(await field('Factor after'), await field('Factor before'));

    const rows = page.locator('#report-table tr.report-row');
    await rows.first().waitFor({timeout: 30000});
    assert.match(await rows.first().textContent(), /Module voltage/);
    assert.equal(await rows.first().locator('td').nth(6).textContent(), measured.toFixed(4));
    await page.locator('#report-text-show').click();
    await page.locator('#report-text', {hasText: 'Module Voltages'}).waitFor();
    await screenshot(page, 'calibration');

    // Saving answers the units' result.
    await page.locator('#file-form [name="type"]').selectOption('module_voltage');
    await page.locator('#cal-save').click();
    await page.locator('#file-result.ok', {hasText: 'Saved'}).waitFor({timeout: 60000});

    // Restarting empties the table.
    await page.locator('#report-restart').click();
    await page.locator('#report-result.ok', {hasText: 'restarted'}).waitFor({timeout: 30000});
    assert.equal(await rows.count(), 0);
    await page.close();
  });
});
