// The Data page against a running station that stores a line every 10 s:
// today's day file listed with its data lines, its CSV download agreeing
// with the stored file, and the day plotted.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const {after, before, describe, test} = require('node:test');

const {endSession, startSession, screenshot, reportLoadTimes, waitUntil} = require('./harness');

const INVALID = -9999;

// The data lines of a stored day file as arrays of cells (date, time, values).
function storedLines(text) {
  const delimiter = /^Date(.*?)Time/.exec(text)[1];
  return text.split('\n').filter((line) => /^\d\d\/\d\d\/\d{4}/.test(line)).map((line) => line.split(delimiter));
}

// Plain comma-separated rows; the station's data cells hold no quotes.
const csvRows = (text) => text.split('\r\n').filter((line) => line !== '').map((line) => line.split(','));

describe('data page', () => {
  let station, browser, context;

  before(async () => ({station, browser, context} = await startSession()));

  after(() => endSession({station, browser}));

  test('a day file is listed, downloads as CSV that agrees with it, and is plotted', async () => {
    const vndFolder = station.file('data/vnd');
    const name = await waitUntil(() => {
      const files = fs.readdirSync(vndFolder).filter((f) => /^vn\d{8}\.vnd$/.test(f));
      return files.find((f) => storedLines(fs.readFileSync(`${vndFolder}/${f}`, 'utf8')).length >= 3);
    }, 120000, 'three stored data lines');

    const page = await context.newPage();
    await page.goto(station.url + '/data.html');
    await reportLoadTimes(page, 'data');
    const row = page.locator(`#day-table tr[data-file="${name}"]`);
    await row.waitFor({timeout: 60000});
    const listed = Number(await row.locator('td').nth(2).textContent());
    assert.ok(listed >= 3, `listed ${listed} data lines`);

    const [download] = await Promise.all([page.waitForEvent('download'),
      row.locator('a', {hasText: 'CSV'}).click()]);
    assert.equal(download.suggestedFilename(), name.replace('.vnd', '.csv'));

    // The same conversion fetched in the page: rows and values agree with the
    // file as stored (lines appended since may follow in the file).
    const csv = csvRows(await page.evaluate(async (uri) => (await fetch(uri)).text(), `/user/data/${name}.csv`));
    const stored = storedLines(fs.readFileSync(`${vndFolder}/${name}`, 'utf8'));
    const [header, ...rows] = csv;
    assert.ok(rows.length >= listed && rows.length <= stored.length, `${rows.length} rows, ${stored.length} stored`);
    assert.equal(header.length, stored[0].length - 1, header.join('|'));
    assert.match(header.join(','), /1 Power/);
    rows.forEach((cells, index) => {
      const [date, time, ...values] = stored[index];
      const [month, day, year] = date.split('/');
      assert.equal(cells[0], `${year}-${month}-${day} ${time}`);
      values.forEach((value, column) => {
        const cell = cells[column + 1];
        if (Number(value) === INVALID) assert.equal(cell, '', `row ${index} column ${column}`);
        else assert.equal(Number(cell), Number(value), `row ${index} column ${column}`);
      });
    });

    // The page plots the day it opens with: every module's power and the irradiance.
    await page.locator('#plot-result.ok').waitFor({timeout: 60000});
    const plotted = await page.evaluate(() => Chart.getChart(document.getElementById('plot')).data.datasets
      .map((d) => ({axis: d.yAxisID, points: d.data.length})));
    assert.equal(plotted.filter((d) => d.axis === 'power').length, 4, JSON.stringify(plotted));
    assert.ok(plotted.some((d) => d.axis === 'irradiance'), JSON.stringify(plotted));
    assert.ok(plotted.every((d) => d.points >= 3), JSON.stringify(plotted));
    await screenshot(page, 'data');

    await page.setViewportSize({width: 390, height: 844});
    await screenshot(page, 'data_phone');
    await page.close();
  });
});
