// Form checks shared by the Calibration and Accounts pages: what is wrong is
// said next to the field (a <span class="field-error" data-for="NAME">), so
// the operator sees it where the value is typed; and the quoting of typed
// values in the XML bodies the forms send.
'use strict';

const VNFields = (() => {
  // Length in bytes as the station counts it (UTF-8).
  function byteLength(text) {
    return new TextEncoder().encode(text).length;
  }

  // Colons split the password files' and chpasswd's lines; control
  // characters would break them too.
  function hasForbidden(text) {
    return /[:\u0000-\u001f\u007f]/.test(text);
  }

  // Why a web account name or password would be refused, or ''.
  function accountWordProblem(word) {
    if (word === '') return 'Required.';
    if (byteLength(word) > 64) return 'At most 64 characters.';
    if (hasForbidden(word)) return 'No ":" and no control characters.';
    return '';
  }

  // Why an FTP password would be refused, or ''.
  function ftpPasswordProblem(account, password) {
    if (password === '') return 'Required: an empty password would open the account.';
    if (byteLength(account) + byteLength(password) > 87) {
      return `At most ${87 - byteLength(account)} characters for ${account}.`;
    }
    if (hasForbidden(password)) return 'No ":" and no control characters.';
    return '';
  }

  function errorSpan(form, name) {
    return form.querySelector(`.field-error[data-for="${name}"]`);
  }

  function clear(form) {
    for (const span of form.querySelectorAll('.field-error')) span.textContent = '';
    for (const input of form.querySelectorAll('[aria-invalid]')) input.removeAttribute('aria-invalid');
  }

  // Shows problem next to the field (none when problem is ''); true when
  // there was one.
  function report(form, name, problem) {
    const span = errorSpan(form, name);
    if (span) span.textContent = problem;
    const input = form.elements[name];
    if (input) {
      if (problem) input.setAttribute('aria-invalid', 'true');
      else input.removeAttribute('aria-invalid');
    }
    return problem !== '';
  }

  // Runs each [name, problem] check, shows every problem, focuses the first
  // bad field; true when all passed.
  function check(form, checks) {
    clear(form);
    let first = null;
    for (const [name, problem] of checks) {
      if (report(form, name, problem) && first === null) first = name;
    }
    if (first !== null && form.elements[first]) form.elements[first].focus();
    return first === null;
  }

  // A value as text inside a double-quoted XML attribute of a request body.
  function xmlAttribute(value) {
    return String(value).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;')
      .replace(/"/g, '&quot;');
  }

  return {byteLength, accountWordProblem, ftpPasswordProblem, clear, report, check, xmlAttribute};
})();
