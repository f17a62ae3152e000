// Settings forms built from field descriptions: the inputs, the checks made
// before anything is sent, the XML of a change and the comparison of what was
// asked with what the station answers (a settings reply shows the values as
// they stand, so a refused value is one that came back unchanged).
'use strict';

const VNForm = (() => {
  const {el, replace} = VN;

  // Letters, digits and inner '-', at most 63 per label, 253 in all.
  const LABEL = /^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?$/;
  const CONTROL = /[\u0000-\u001f\u007f]/;

  function isHostName(text) {
    return text.length > 0 && text.length <= 253 && text.split('.').every((label) => LABEL.test(label));
  }

  // Four plain decimal numbers 0-255, no leading zeros (the station reads
  // "010" as no address at all).
  function isIpv4(text) {
    const parts = text.split('.');
    return parts.length === 4 && parts.every((p) => /^(0|[1-9][0-9]{0,2})$/.test(p) && Number(p) <= 255);
  }

  // A word the station may put into a command: letters, digits, / . _ -
  function isPlainWord(text) {
    return /^[A-Za-z0-9/._][A-Za-z0-9/._-]*$/.test(text);
  }

  function parseTime(text) {
    const match = /^(\d{1,2}):(\d{2}):(\d{2})$/.exec(text.trim());
    if (!match) return null;
    const [hour, min, sec] = match.slice(1).map(Number);
    const dayEnd = hour === 24 && min === 0 && sec === 0;
    if (!dayEnd && (hour > 23 || min > 59 || sec > 59)) return null;
    return {hour, min, sec};
  }

  const pad = (n) => String(n).padStart(2, '0');

  function rangeText(field) {
    if (field.min !== undefined && field.max !== undefined) return ` from ${field.min} to ${field.max}`;
    if (field.min !== undefined) return ` of at least ${field.min}`;
    if (field.max !== undefined) return ` of at most ${field.max}`;
    return '';
  }

  function inRange(field, value) {
    return (field.min === undefined || value >= field.min) && (field.max === undefined || value <= field.max);
  }

  // What is wrong with a value of the field, or '' when it may be sent.
  function problem(field, value) {
    const text = value.trim();
    if (text === '') {
      return field.required || ['int', 'number', 'time'].includes(field.kind) ? 'Required.' : '';
    }
    switch (field.kind) {
      case 'int':
        if (!/^-?\d+$/.test(text) || !inRange(field, Number(text))) return `Must be a whole number${rangeText(field)}.`;
        break;
      case 'number': {
        const number = Number(text);
        if (!Number.isFinite(number) || !inRange(field, number)) return `Must be a number${rangeText(field)}.`;
        if (field.nonZero && number === 0) return 'Must not be 0.';
        break;
      }
      case 'time':
        if (!parseTime(text)) return 'Must be a time of day as hh:mm:ss.';
        break;
      case 'ipv4':
        if (!isIpv4(text)) return 'Must be an IPv4 address like 192.168.0.13 (four numbers 0-255).';
        break;
      case 'host':
        if (!isHostName(text)) return 'Must be a host name: letters, digits and inner "-", parts joined by ".".';
        break;
      case 'server':
        if (!isIpv4(text) && !isHostName(text)) return 'Must be a host name or an IPv4 address.';
        break;
      case 'path':
        if (!isPlainWord(text)) return 'Letters, digits and / . _ - only.';
        break;
      case 'select':
        if (!field.options.some(([option]) => option === value)) return 'Choose one of the list.';
        break;
      default:
        if (CONTROL.test(value)) return 'No tabs or line breaks.';
    }
    if (field.maxLength && value.length > field.maxLength) return `At most ${field.maxLength} characters.`;
    return '';
  }

  // The value as the form shows it: numbers without the station's exponent
  // notation, flags as their two words.
  function normal(field, text) {
    if (field.kind === 'number' && text.trim() !== '' && Number.isFinite(Number(text))) {
      return String(Number(Number(text).toPrecision(7)));
    }
    if (field.kind === 'flag') return text === 'yes' ? 'yes' : 'no';
    return text;
  }

  // Whether two texts of a field mean the same value (the station writes
  // numbers in its own notation; values are sent trimmed).
  function same(field, a, b) {
    if (field.kind === 'number' || field.kind === 'int') {
      const x = a.trim() === '' ? NaN : Number(a);
      const y = b.trim() === '' ? NaN : Number(b);
      if (!Number.isFinite(x) || !Number.isFinite(y)) return a.trim() === b.trim();
      return Math.abs(x - y) <= 1e-6 * Math.max(1, Math.abs(x), Math.abs(y));
    }
    return normal(field, a).trim() === normal(field, b).trim();
  }

  // The field values of an element: attributes by key, times from the child
  // element named by the key.
  function readElement(element, fields) {
    const values = {};
    for (const field of fields) {
      if (field.kind === 'time') {
        const child = element && [...element.children].find((c) => c.tagName === field.key);
        const part = (name) => Number(child && child.getAttribute(name));
        values[field.key] = child ? `${pad(part('hour'))}:${pad(part('min'))}:${pad(part('sec'))}` : '';
      } else {
        values[field.key] = normal(field, (element && element.getAttribute(field.key)) || '');
      }
    }
    return values;
  }

  // Appends an element with the written fields of values (plus attrs first).
  function writeElement(parent, name, fields, values, attrs = {}) {
    const node = parent.ownerDocument.createElement(name);
    for (const [key, value] of Object.entries(attrs)) node.setAttribute(key, String(value));
    for (const field of fields.filter((f) => f.kind !== 'time')) {
      node.setAttribute(field.key, values[field.key].trim());
    }
    for (const field of fields.filter((f) => f.kind === 'time')) {
      const time = parseTime(values[field.key]);
      if (!time) continue;  // an odd time the station holds and nobody changed
      const child = parent.ownerDocument.createElement(field.key);
      for (const part of ['hour', 'min', 'sec']) child.setAttribute(part, String(time[part]));
      node.append(child);
    }
    parent.append(node);
    return node;
  }

  // An XML text whose root is named root; fill(root) adds the children.
  // The serializer escapes whatever the operator typed.
  function xml(root, fill) {
    const doc = document.implementation.createDocument(null, root, null);
    fill(doc.documentElement);
    return new XMLSerializer().serializeToString(doc);
  }

  // The direct children of element named name.
  function children(element, name) {
    return element ? [...element.children].filter((c) => c.tagName === name) : [];
  }

  // The first element named name anywhere in the document.
  function find(doc, name) {
    return doc ? doc.getElementsByTagName(name)[0] || null : null;
  }

  // One input (or select, or check box) with its label and note.
  function fieldControl(prefix, field, value) {
    const id = `${prefix}-${field.key}`;
    let input;
    if (field.kind === 'select') {
      input = el('select', {id, name: field.key},
        ...field.options.map(([option, label]) => el('option', {value: option, text: label})));
      input.value = value;
    } else if (field.kind === 'flag') {
      input = el('input', {id, name: field.key, type: 'checkbox', checked: value === 'yes'});
    } else {
      const numeric = ['int', 'number'].includes(field.kind);
      input = el('input', {id, name: field.key, type: 'text', value,
        inputmode: numeric ? 'decimal' : undefined, placeholder: field.kind === 'time' ? 'hh:mm:ss' : undefined,
        autocomplete: 'off', spellcheck: 'false', 'aria-describedby': `${id}-note`});
    }
    const unit = field.unit ? el('span', {class: 'unit', text: field.unit}) : null;
    return el('div', {class: 'field' + (field.kind === 'flag' ? ' flag' : '')},
      el('label', {for: id, text: field.label}),
      el('div', {class: 'control'}, input, unit),
      field.hint ? el('small', {class: 'hint', text: field.hint}) : null,
      el('small', {class: 'field-note', id: `${id}-note`, 'aria-live': 'polite'}));
  }

  function inputValue(input) {
    return input.type === 'checkbox' ? (input.checked ? 'yes' : 'no') : input.value;
  }

  function setNote(group, key, text) {
    const input = group.querySelector(`[name="${key}"]`);
    const note = group.querySelector(`[id="${input.id}-note"]`);
    note.textContent = text;
    input.classList.toggle('wrong', text !== '');
    input.setAttribute('aria-invalid', text !== '' ? 'true' : 'false');
  }

  const shown = (field, value) => (field.kind === 'flag' ? (value === 'yes' ? 'on' : 'off')
    : value.trim() === '' ? '(empty)' : `"${value.trim()}"`);

  // A settings section: section = {id, title, intro, source, target, fields,
  // read(doc) → [{id, legend, values, details}], write(records) → XML text;
  // optional: warning (added to the question), after(doc) → text added to
  // the result, compare: false (the reply cannot show the value taken),
  // tools(section) → more buttons}.
  class Section {
    constructor(layout) {
      this.layout = layout;
      this.records = [];
      this.groups = el('div', {class: 'records'});
      this.result = el('div', {class: 'result', 'aria-live': 'polite'});
      this.button = el('button', {type: 'submit', text: layout.button || 'Save'});
      this.form = el('form', {id: layout.id, class: 'settings card', novalidate: true},
        el('h2', {text: layout.title}),
        layout.intro ? el('p', {class: 'muted', text: layout.intro}) : null,
        this.groups, el('div', {class: 'actions'}, this.button, ...(layout.tools ? layout.tools(this) : [])),
        this.result);
      this.form.addEventListener('submit', (event) => {
        event.preventDefault();
        this.save();
      });
    }

    // Shows the records of a document as they stand.
    show(doc) {
      this.records = this.layout.read(doc);
      const groups = this.records.map((record, index) => {
        const prefix = `${this.layout.id}-${record.id === null ? 'x' : record.id}`;
        const group = el('fieldset', {class: 'record', 'data-record': record.id === null ? undefined : record.id},
          record.legend ? el('legend', {text: record.legend}) : null,
          el('div', {class: 'fields'}, ...this.layout.fields.map((f) => fieldControl(prefix, f, record.values[f.key]))),
          record.details ? el('p', {class: 'muted details', text: record.details}) : null);
        group.dataset.index = String(index);
        return group;
      });
      if (groups.length === 0) groups.push(el('p', {class: 'muted', text: this.layout.empty || 'Nothing to set.'}));
      replace(this.groups, ...groups);
      this.button.disabled = this.records.length === 0;
    }

    async load() {
      try {
        this.show(await VN.getXml(this.layout.source));
      } catch (error) {
        this.show(null);
        this.report('Could not read the settings: ' + error.message, 'error');
      }
    }

    report(text, kind) {
      this.result.textContent = text;
      this.result.className = 'result ' + kind;
    }

    // Puts values into the inputs of a record (not sent until saved).
    fill(index, values) {
      const group = this.groupOf(index);
      for (const [key, value] of Object.entries(values)) group.querySelector(`[name="${key}"]`).value = value;
    }

    groupOf(index) {
      return this.groups.querySelector(`fieldset[data-index="${index}"]`);
    }

    // The typed values of each record, with their problems marked next to
    // the fields; null when something must be fixed first. Changed values,
    // and those checked against others in a changed record, are checked: an
    // odd value the station holds must not block a change elsewhere.
    typed() {
      let wrong = 0;
      const typed = this.records.map((record, index) => {
        const group = this.groupOf(index);
        const values = {};
        for (const field of this.layout.fields) {
          values[field.key] = inputValue(group.querySelector(`[name="${field.key}"]`));
        }
        const touched = this.layout.fields.some((f) => !same(f, record.values[f.key], values[f.key]));
        for (const field of this.layout.fields) {
          const changed = !same(field, record.values[field.key], values[field.key]);
          let text = changed || (touched && field.check) ? problem(field, values[field.key]) : '';
          if (text === '' && touched && field.check) text = field.check(values[field.key], values);
          setNote(group, field.key, text);
          if (text !== '') wrong += 1;
        }
        return Object.assign({}, record, {values});
      });
      if (wrong === 0) return typed;
      this.report(`Not sent: ${wrong === 1 ? 'one value needs' : wrong + ' values need'} fixing (see the marked fields).`,
        'error');
      const first = this.form.querySelector('.wrong');
      if (first) first.focus();
      return null;
    }

    // "label: old → new" for every field of a typed record that differs from
    // the record as it stands.
    changes(record, index) {
      const lines = [];
      for (const field of this.layout.fields) {
        const before = this.records[index].values[field.key];
        const after = record.values[field.key];
        if (!same(field, before, after)) {
          lines.push(`${record.legend ? record.legend + ', ' : ''}${field.label}: ${shown(field, before)} → ` +
            `${shown(field, after)}`);
        }
      }
      return lines;
    }

    // The fields the station did not take: for each, the asked and kept values.
    refused(sent, doc) {
      const now = this.layout.read(doc);
      const refusals = [];
      for (const record of sent) {
        const stands = now.find((r) => r.id === record.id);
        for (const field of this.layout.fields) {
          const kept = stands ? stands.values[field.key] : '';
          if (!stands || !same(field, record.values[field.key], kept)) refusals.push({record, field, kept});
        }
      }
      return refusals;
    }

    async save() {
      const typed = this.typed();
      if (!typed) return;
      const changed = typed.filter((record, index) => this.changes(record, index).length > 0);
      const lines = typed.flatMap((record, index) => this.changes(record, index));
      if (lines.length === 0) {
        this.report('Nothing changed: the station keeps these values.', 'ok');
        return;
      }
      const question = `${this.layout.title}: change\n${lines.join('\n')}\n?` +
        (this.layout.warning ? `\n\n${this.layout.warning}` : '');
      await VN.confirmThenAct(question, async () => {
        const doc = await VN.postXml(this.layout.target, this.layout.write(changed));
        if (!doc || this.layout.read(doc).length === 0) throw new Error('the station answered without its settings');
        const refusals = this.layout.compare === false ? [] : this.refused(changed, doc);
        this.show(doc);
        for (const {record, field, kept} of refusals) {
          const index = this.records.findIndex((r) => r.id === record.id);
          if (index >= 0) {
            setNote(this.groupOf(index), field.key,
              `Refused by the station: ${shown(field, record.values[field.key])}; it keeps ${shown(field, kept)}.`);
          }
        }
        if (refusals.length > 0) {
          throw new Error('the station refused ' + refusals.map(({record, field}) =>
            `${record.legend ? record.legend + ' ' : ''}${field.label} ${shown(field, record.values[field.key])}`)
            .join(', ') + '. It keeps the values shown.');
        }
        const extra = this.layout.after ? this.layout.after(doc) : '';
        return `Saved: ${lines.join('; ')}.${extra ? ' ' + extra : ''}`;
      }, this.result);
    }
  }

  return {Section, xml, writeElement, readElement, children, find, parseTime, isIpv4, isHostName, problem, pad};
})();
