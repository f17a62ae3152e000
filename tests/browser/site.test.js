// The operator's site in Chromium against a running simulated station, logged
// in as its administrator.
'use strict';

const assert = require('node:assert/strict');
const {after, before, describe, test} = require('node:test');

const {Station, openBrowser, screenshot, reportLoadTimes} = require('./harness');

describe('operator site', () => {
  let station;
  let browser;
  let context;

  before(async () => {
    station = await Station.create();
    await station.start();
    await station.createAdministrator();
    ({browser, context} = await openBrowser());
  });

  after(async () => {
    if (browser) await browser.close();
    if (station) await station.remove();
  });

  test('logs in with digest credentials and shows the Station page', async () => {
    const page = await context.newPage();
    await page.goto(station.url + '/');
    assert.equal(await page.locator('h1').textContent(), 'Station');
    await page.locator('nav a[aria-current="page"]', {hasText: 'Station'}).waitFor();
    const status = await page.evaluate(async () => (await fetch('/user/status.xml')).status);
    assert.equal(status, 200);
    await reportLoadTimes(page, 'station');
    await screenshot(page, 'station');
    await page.close();
  });
});
