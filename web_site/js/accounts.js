// The Accounts page: the web accounts listed, a web user added, changed or
// deleted, the administrator's name or password changed, the FTP passwords
// set; and, on a station without administrator, a plain warning with the
// form that creates one.
'use strict';

(() => {
  const {el, replace} = VN;
  const {accountWordProblem, ftpPasswordProblem, check, report, xmlAttribute} = VNFields;
  const MAX_WEB_ACCOUNTS = 7;
  let accounts = [];  // {name, kind}: kind 'web_admin' or 'web_user'

  // The account list document as {name, kind} of the web accounts; the FTP
  // accounts are fixed and shown in their own form.
  function readAccounts(doc) {
    if (!doc) return [];
    const list = doc.getElementsByTagName('Usernames')[0];
    if (!list) return [];
    return [...list.children]
      .map((entry) => ({name: entry.getAttribute('username') || '', kind: entry.getAttribute('type') || ''}))
      .filter((entry) => entry.kind === 'web_admin' || entry.kind === 'web_user');
  }

  const hasAdministrator = () => accounts.some((a) => a.kind === 'web_admin');
  const find = (name) => accounts.find((a) => a.name === name);

  function changeBody(kind, current, name, password) {
    return `<Users><Username type="${kind}" current_username="${xmlAttribute(current)}" ` +
      `new_username="${xmlAttribute(name)}" password="${xmlAttribute(password)}"/></Users>`;
  }

  // Posts one change; resolves with the refused attribute, or '' when the
  // station took it (its answer is then the XML declaration alone).
  async function postChange(body) {
    const url = '/admin/save_username';
    const text = await VN.request(url, {method: 'POST', body});
    if (text.replace(/<\?xml[^>]*\?>/, '').trim() === '') return '';
    const doc = new DOMParser().parseFromString(text, 'application/xml');
    const root = doc.documentElement;
    if (!root || root.tagName !== 'Username') throw new Error(url + ': unexpected answer');
    return root.getAttribute('refused') || 'change';
  }

  // The form field a refused attribute belongs to.
  const REFUSED_FIELD = {new_username: 'name', current_username: 'name', password: 'password'};

  async function loadAccounts() {
    accounts = readAccounts(await VN.getXml('/admin/username_settings.xml'));
    const rows = accounts.map((account) => {
      const admin = account.kind === 'web_admin';
      const actions = el('td', {}, el('div', {class: 'actions'},
        el('button', {type: 'button', text: admin ? 'Change name or password' : 'Change',
          onclick: () => editAccount(account)}),
        admin ? null : el('button', {type: 'button', class: 'danger', text: 'Delete',
          onclick: () => deleteAccount(account)})));
      return el('tr', {'data-account': account.name},
        el('td', {text: account.name}), el('td', {text: admin ? 'Administrator' : 'User'}), actions);
    });
    if (rows.length === 0) rows.push(el('tr', {}, el('td', {colspan: 3, text: 'No web accounts.'})));
    replace(document.querySelector('#accounts tbody'), ...rows);
    // Without an administrator the station forgets every other web account
    // at once, so only the administrator can be created.
    document.getElementById('open-station').hidden = hasAdministrator();
    document.getElementById('web-accounts').hidden = !hasAdministrator();
    VN.markFirstData();
  }

  // Reloads the list and checks it shows what the change meant to do: the
  // station skips an addition silently when its files are full.
  async function verify(expectation, doneText, missingText) {
    await loadAccounts();
    if (!expectation()) throw new Error(missingText);
    return doneText;
  }

  function resetAccountForm() {
    const form = document.getElementById('account-form');
    form.reset();
    form.elements.current.value = '';
    form.elements.kind.value = 'web_user';
    VNFields.clear(form);
    document.getElementById('edit-title').textContent = 'Add a web user';
    document.getElementById('account-save').textContent = 'Add the user';
    document.getElementById('account-cancel').hidden = true;
  }

  function editAccount(account) {
    const form = document.getElementById('account-form');
    resetAccountForm();
    form.elements.current.value = account.name;
    form.elements.kind.value = account.kind;
    form.elements.name.value = account.name;
    const admin = account.kind === 'web_admin';
    document.getElementById('edit-title').textContent =
      `Change ${admin ? 'the administrator' : 'web user'} ${account.name}`;
    document.getElementById('account-save').textContent = 'Save the change';
    document.getElementById('account-cancel').hidden = false;
    form.elements.password.focus();
  }

  // Checks shared by the administrator's and the account form.
  function passwordChecks(form, current) {
    const name = form.elements.name.value;
    const password = form.elements.password.value;
    let nameProblem = accountWordProblem(name);
    if (!nameProblem && name !== current && find(name)) nameProblem = 'An account of this name exists already.';
    return check(form, [
      ['name', nameProblem],
      ['password', accountWordProblem(password)],
      ['again', password === form.elements.again.value ? '' : 'The two passwords differ.'],
    ]);
  }

  async function saveAccount(event) {
    event.preventDefault();
    const form = event.target;
    const current = form.elements.current.value;
    const kind = form.elements.kind.value;
    if (!passwordChecks(form, current)) return;
    const name = form.elements.name.value;
    if (current === '' && accounts.length >= MAX_WEB_ACCOUNTS) {
      report(form, 'name', `The station holds at most ${MAX_WEB_ACCOUNTS} web accounts: delete one first.`);
      return;
    }
    const admin = kind === 'web_admin';
    const question = current === '' ? `Add the web user ${name}?`
      : admin ? `Change the administrator ${current}${name !== current ? ' to ' + name : ''}? ` +
        'The browser will ask for the new name and password.'
        : `Change the web user ${current}${name !== current ? ' to ' + name : ''}?`;
    await VN.confirmThenAct(question, async () => {
      const refused = await postChange(changeBody(kind, current || 'unknown', name, form.elements.password.value));
      if (refused) {
        report(form, REFUSED_FIELD[refused] || 'name', 'Refused by the station.');
        throw new Error(`the station refused the ${refused.replace('_', ' ')}; nothing was changed`);
      }
      resetAccountForm();
      return verify(() => find(name) && find(name).kind === kind,
        current === '' ? `Web user ${name} added.` : `Account ${name} saved.`,
        `the station did not store ${name}: it holds at most ${MAX_WEB_ACCOUNTS} web accounts`);
    }, document.getElementById('account-result'));
  }

  async function deleteAccount(account) {
    await VN.confirmThenAct(`Delete the web user ${account.name}? It can no longer log in.`, async () => {
      const refused = await postChange(changeBody('web_user', account.name, account.name, ''));
      if (refused) throw new Error(`the station refused the ${refused.replace('_', ' ')}`);
      return verify(() => !find(account.name), `Web user ${account.name} deleted.`,
        `web user ${account.name} is still listed`);
    }, document.getElementById('list-result'));
  }

  async function createAdministrator(event) {
    event.preventDefault();
    const form = event.target;
    if (!passwordChecks(form, '')) return;
    const name = form.elements.name.value;
    const question = `Create the administrator ${name}? From then on every page asks for a name and password.`;
    await VN.confirmThenAct(question, async () => {
      const refused = await postChange(changeBody('web_admin', 'unknown', name, form.elements.password.value));
      if (refused) {
        report(form, REFUSED_FIELD[refused] || 'name', 'Refused by the station.');
        throw new Error(`the station refused the ${refused.replace('_', ' ')}; nothing was changed`);
      }
      form.reset();
      return `Administrator ${name} created. Reload the page and log in with its name and password.`;
    }, document.getElementById('admin-result'));
  }

  async function setFtpPassword(event) {
    event.preventDefault();
    const form = event.target;
    const kind = form.elements.kind.value;
    const account = form.elements.kind.selectedOptions[0].textContent;
    const password = form.elements.password.value;
    if (!check(form, [
      ['password', ftpPasswordProblem(account, password)],
      ['again', password === form.elements.again.value ? '' : 'The two passwords differ.'],
    ])) return;
    await VN.confirmThenAct(`Set a new FTP password for ${account}?`, async () => {
      const refused = await postChange(changeBody(kind, account, account, password));
      if (refused) {
        report(form, 'password', 'Refused by the station.');
        throw new Error('the station refused the password; it was not changed');
      }
      form.reset();
      return `FTP password of ${account} set.`;
    }, document.getElementById('ftp-result'));
  }

  document.addEventListener('DOMContentLoaded', async () => {
    document.getElementById('account-form').addEventListener('submit', saveAccount);
    document.getElementById('account-cancel').addEventListener('click', resetAccountForm);
    document.getElementById('admin-form').addEventListener('submit', createAdministrator);
    document.getElementById('ftp-form').addEventListener('submit', setFtpPassword);
    try {
      await loadAccounts();
    } catch (error) {
      VN.showError(error);
    }
  });
})();
