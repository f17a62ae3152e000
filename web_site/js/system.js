// The System page: the station's identification and the commands that act on
// the whole station (all loads off, a module to short circuit, reset), each
// confirmed first and its result shown.
'use strict';

(() => {
  const {el, replace} = VN;

  async function showAbout() {
    document.getElementById('about').textContent = await VN.getText('/user/about.txt');
    VN.markFirstData();
  }

  function listModules(sample) {
    const ids = sample ? [...sample.getElementsByTagName('Module')].map((m) => m.getAttribute('id')) : [];
    replace(document.getElementById('isc-module'), ...ids.map((id) => el('option', {value: id, text: `Module ${id}`})));
  }

  // Every reply of these commands carries error="0" on success.
  function checked(doc, done) {
    const code = VN.replyError(doc);
    if (code !== 0) throw new Error(`the station answered error ${Number.isNaN(code) ? '(none)' : code}`);
    return done;
  }

  function allLoadsOff() {
    return VN.confirmThenAct('Turn every module\'s load off (open circuit)? Measurements stop tracking until ' +
      'the loads are set again.',
    async () => checked(await VN.postXml('/admin/all_loads_off', ''), 'All loads are off.'),
    document.getElementById('loads-result'));
  }

  function shortCircuit() {
    const id = Number(document.getElementById('isc-module').value);
    if (!Number.isInteger(id)) return VN.message('Choose a module.', 'error');
    return VN.confirmThenAct(`Short-circuit module ${id} (hold it at its short-circuit current)?`,
      async () => checked(await VN.postXml('/admin/set_module_isc', `<Module id="${id}"/>`),
        `Module ${id} is held at short circuit.`),
      document.getElementById('isc-result'));
  }

  // The station closes the connection of a reset without a reply and then
  // starts again, so the result is the station answering once more.
  function reset() {
    return VN.confirmThenAct('Reset the station? It reloads its configuration and restarts measuring.',
      async () => {
        try {
          await VN.request('/admin/reset', {method: 'POST', body: ''});
        } catch (error) {
          if (error.message.indexOf('not reachable') < 0) throw error;
        }
        const started = Date.now();
        for (;;) {
          try {
            await VN.getXml('/user/status.xml', {timeoutMs: 5000});
            return 'Reset requested; the station answers again.';
          } catch (error) {
            if (Date.now() - started > 120000) throw new Error('the station did not answer within 2 minutes');
            await new Promise((resolve) => setTimeout(resolve, 1000));
          }
        }
      },
      document.getElementById('reset-result'));
  }

  document.addEventListener('DOMContentLoaded', () => {
    document.getElementById('loads-off').addEventListener('click', allLoadsOff);
    document.getElementById('isc').addEventListener('click', shortCircuit);
    document.getElementById('reset').addEventListener('click', reset);
    showAbout().catch(VN.showError);
    VN.whenMeasured(listModules);
  });
})();
