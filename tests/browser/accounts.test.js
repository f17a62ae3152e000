// The Accounts page on a station that starts open (no administrator): the
// warning and the creation of the administrator, then a web user added and
// deleted and an FTP password set, each checked in the password files.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const {after, before, describe, test} = require('node:test');

const {endSession, startSession, screenshot, waitUntil, OPERATOR, PASSWORD} = require('./harness');

const readOr = (file, fallback) => {
  try {
    return fs.readFileSync(file, 'utf8');
  } catch (error) {
    return fallback;
  }
};

describe('accounts page', () => {
  let station, browser, context;

  before(async () => ({station, browser, context} = await startSession({administrator: false})));

  after(() => endSession({station, browser}));

  test('an open station says so and creates its administrator from the page', async () => {
    const anonymous = await browser.newContext({viewport: {width: 1280, height: 900}});
    const page = await anonymous.newPage();
    const questions = [];
    page.on('dialog', (dialog) => {
      questions.push(dialog.message());
      dialog.accept();
    });
    await page.goto(station.url + '/accounts.html');
    const warning = page.locator('#open-station');
    await warning.waitFor({state: 'visible', timeout: 60000});
    assert.match(await warning.textContent(),
                 /anyone on the network can change this station until you create an administrator/i);
    assert.equal(await page.locator('#web-accounts').isVisible(), false);
    await screenshot(page, 'accounts_open');

    // Checked in the browser: nothing is asked or sent.
    const form = page.locator('#admin-form');
    await form.locator('[name="name"]').fill(OPERATOR);
    await form.locator('[name="password"]').fill(PASSWORD);
    await form.locator('[name="again"]').fill(PASSWORD + 'x');
    await form.locator('button[type="submit"]').click();
    await form.locator('.field-error[data-for="again"]', {hasText: 'differ'}).waitFor();
    await form.locator('[name="name"]').fill('bad:name');
    await form.locator('button[type="submit"]').click();
    await form.locator('.field-error[data-for="name"]', {hasText: ':'}).waitFor();
    assert.equal(questions.length, 0);
    assert.equal(fs.existsSync(station.file('adminpasswds')), false);

    await form.locator('[name="name"]').fill(OPERATOR);
    await form.locator('[name="again"]').fill(PASSWORD);
    await form.locator('button[type="submit"]').click();
    await page.locator('#admin-result.ok', {hasText: 'created'}).waitFor({timeout: 60000});
    assert.equal(questions.length, 1);
    assert.match(readOr(station.file('adminpasswds'), ''), new RegExp(`^${OPERATOR}:`));
    assert.equal((await fetch(station.url + '/user/status.xml')).status, 401);
    await anonymous.close();
  });

  test('a web user added and deleted shows in the list and the password file', async () => {
    const page = await context.newPage();
    page.on('dialog', (dialog) => dialog.accept());
    await page.goto(station.url + '/accounts.html');
    await page.locator(`tr[data-account="${OPERATOR}"]`, {hasText: 'Administrator'}).waitFor({timeout: 60000});
    assert.equal(await page.locator('#open-station').isVisible(), false);

    const form = page.locator('#account-form');
    // A name taken already is refused in the browser.
    await form.locator('[name="name"]').fill(OPERATOR);
    await form.locator('[name="password"]').fill('view-2026');
    await form.locator('[name="again"]').fill('view-2026');
    await form.locator('#account-save').click();
    await form.locator('.field-error[data-for="name"]', {hasText: 'exists'}).waitFor();

    await form.locator('[name="name"]').fill('viewer');
    await form.locator('#account-save').click();
    await page.locator('#account-result.ok', {hasText: 'viewer added'}).waitFor({timeout: 60000});
    await page.locator('tr[data-account="viewer"]', {hasText: 'User'}).waitFor();
    assert.match(readOr(station.file('userpasswds'), ''), /^viewer:/m);
    const viewer = await fetch(station.url + '/user/status.xml');
    assert.equal(viewer.status, 401, 'without credentials');
    await screenshot(page, 'accounts');

    await page.locator('tr[data-account="viewer"] button', {hasText: 'Delete'}).click();
    await page.locator('#list-result.ok', {hasText: 'viewer deleted'}).waitFor({timeout: 60000});
    assert.equal(await page.locator('tr[data-account="viewer"]').count(), 0);
    assert.doesNotMatch(readOr(station.file('userpasswds'), ''), /^viewer:/m);
    await page.locator(`tr[data-account="${OPERATOR}"]`).waitFor();
    await page.close();
  });

  test('an FTP password reaches chpasswd, masked in the journal', async () => {
    const page = await context.newPage();
    page.on('dialog', (dialog) => dialog.accept());
    await page.goto(station.url + '/accounts.html');
    const form = page.locator('#ftp-form');
    await form.locator('[name="kind"]').selectOption('ftp_user');
    await form.locator('[name="password"]').fill('');
    await form.locator('button[type="submit"]').click();
    await form.locator('.field-error[data-for="password"]', {hasText: 'open the account'}).waitFor();

    // The program's start sets the default passwords the same way.
    const masked = () => readOr(station.file('shell_journal.log'), '').split('data_user:********').length - 1;
    const before = masked();
    await form.locator('[name="password"]').fill('ftp-new-2026');
    await form.locator('[name="again"]').fill('ftp-new-2026');
    await form.locator('button[type="submit"]').click();
    await page.locator('#ftp-result.ok', {hasText: 'data_user'}).waitFor({timeout: 60000});
    await waitUntil(() => masked() === before + 1, 30000, 'chpasswd in the journal');
    assert.equal(readOr(station.file('shell_journal.log'), '').includes('ftp-new-2026'), false);
    await page.close();
  });
});
