// The page of qdf serve: the folder's documents, one document's diagram,
// lists and settings, its conditions edited with the library's checks, its
// SQL, parameters and rows, and saving it back.
//
// Documents come from strangers: every text from them or from the server is
// put into the page as text (textContent, createElement), never as markup.
// The Content-Security-Policy allows no inline script or style either.

const CHECK_DELAY_MS = 350;
const SQL_DELAY_MS = 350;
const PAGE_SIZE = 100;
const RUN_TIMEOUT_S = 30;

// ---------------------------------------------------------------- helpers

// An element with attributes (never "style" or "on..." ones) and children;
// strings become text nodes.
function el(tag, attributes = {}, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes)) {
    if (value === false || value === null || value === undefined) continue;
    node.setAttribute(name, value === true ? '' : String(value));
  }
  append(node, children);
  return node;
}

function append(node, children) {
  for (const child of children.flat()) {
    if (child === null || child === undefined || child === false) continue;
    node.append(child instanceof Node ? child : document.createTextNode(String(child)));
  }
  return node;
}

function replace(node, ...children) {
  node.replaceChildren();
  return append(node, children);
}

function byId(id) {
  return document.getElementById(id);
}

let nextId = 0;
function uniqueId(prefix) {
  nextId += 1;
  return `${prefix}-${nextId}`;
}

function debounce(fn, delay) {
  let timer = null;
  const wrapped = (...args) => {
    clearTimeout(timer);
    timer = setTimeout(() => fn(...args), delay);
  };
  wrapped.cancel = () => clearTimeout(timer);
  return wrapped;
}

// A document's path in the API's URLs: each part encoded, '/' kept.
function apiPath(path) {
  return '/api/documents/' + path.split('/').map(encodeURIComponent).join('/');
}

function documentLink(path) {
  return '#/' + path.split('/').map(encodeURIComponent).join('/');
}

function pathFromHash() {
  const hash = location.hash;
  if (!hash.startsWith('#/') || hash.length < 3) return null;
  try {
    return hash.slice(2).split('/').map(decodeURIComponent).join('/');
  } catch {
    return null;
  }
}

function formatSize(bytes) {
  if (bytes < 1024) return `${bytes} bytes`;
  if (bytes < 1024 * 1024) return `${(bytes / 1024).toFixed(1)} KiB`;
  return `${(bytes / 1024 / 1024).toFixed(1)} MiB`;
}

function formatTime(iso) {
  const date = new Date(iso);
  return Number.isNaN(date.getTime()) ? String(iso) : date.toLocaleString();
}

// A colour kept as the decimal of 0x00BBGGRR, as #RRGGBB; null when the
// text is not such a number.
function colourOf(text) {
  if (!/^[0-9]{1,8}$/.test(text)) return null;
  const value = Number(text);
  if (value > 0xffffff) return null;
  const hex = (n) => n.toString(16).toUpperCase().padStart(2, '0');
  return '#' + hex(value & 0xff) + hex((value >> 8) & 0xff) + hex((value >> 16) & 0xff);
}

// ---------------------------------------------------------------- the API

class ApiError extends Error {
  constructor(status, message, body) {
    super(message);
    this.status = status;
    this.body = body;
  }
}

async function api(method, url, { body, headers = {} } = {}) {
  const init = { method, headers: { ...headers }, credentials: 'same-origin' };
  if (body !== undefined) {
    init.headers['Content-Type'] = 'application/json';
    init.body = JSON.stringify(body);
  }
  let response;
  try {
    response = await fetch(url, init);
  } catch (error) {
    throw new ApiError(0, `qdf serve does not answer (${error.message}). Is it still running?`);
  }
  let data = null;
  const type = response.headers.get('Content-Type') || '';
  if (type.includes('json')) {
    try {
      data = await response.json();
    } catch {
      data = null;
    }
  }
  if (!response.ok) {
    const message = data?.error?.message ?? `${response.status} ${response.statusText}`;
    if (response.status === 401) showNoSession();
    throw new ApiError(response.status, message, data);
  }
  if (data === null) throw new ApiError(response.status, 'qdf serve answered with something other than JSON');
  return { data, etag: response.headers.get('ETag') };
}

function showNoSession() {
  setStatus('This page has no session with qdf serve. Open the address that qdf serve ' +
            'printed when it started (the one that ends in ?token=...).', 'error');
}

function setStatus(text, kind = 'info') {
  const status = byId('status');
  status.textContent = text;
  status.className = `status ${kind}`;
}

// ---------------------------------------------------------------- the folder

const folder = { database: false, documents: [] };

async function loadFolder() {
  let data;
  try {
    ({ data } = await api('GET', '/api/documents'));
  } catch (error) {
    replace(byId('folder-note'), error.message);
    return;
  }
  folder.database = Boolean(data.database);
  folder.documents = data.documents || [];
  byId('root').textContent = data.root ? `— ${data.root}` : '';
  document.title = data.root ? `${data.root} — qdf serve` : 'qdf serve';
  const bad = folder.documents.filter((d) => !d.ok).length;
  replace(byId('folder-note'),
          `${folder.documents.length} document${folder.documents.length === 1 ? '' : 's'}` +
          (bad ? `, ${bad} not reading cleanly` : '') +
          (folder.database ? '' : '. No database: start qdf serve with --db to run queries'));
  renderFolder();
}

function renderFolder() {
  const list = byId('documents');
  const current = view?.path;
  replace(list, folder.documents.map((d) => {
    const link = el('a', { href: documentLink(d.path),
                           'aria-current': d.path === current ? 'page' : false }, d.path);
    const details = [formatSize(d.size), formatTime(d.modified)];
    if (d.version) details.unshift(`version ${d.version}`);
    const item = el('li', { class: d.ok ? 'doc' : 'doc damaged' }, link);
    if (!d.ok) {
      link.append(el('span', { class: 'mark' }, el('span', { 'aria-hidden': 'true' }, ' ⚠'),
                     ' (does not read cleanly)'));
      const where = d.error && d.error.line ? ` (line ${d.error.line})` : '';
      item.append(el('span', { class: 'doc-error' }, (d.error?.message ?? 'unreadable') + where));
    }
    item.append(el('span', { class: 'doc-meta' }, details.join(' · ')));
    return item;
  }));
}

// ---------------------------------------------------------------- a document

// The document in view: what was read, its ETag and the conditions as edited.
let view = null;
let openTicket = 0;

function readOnlyReasons(doc) {
  const reasons = [];
  if (doc.error) reasons.push('the file did not read cleanly');
  const notRead = Object.entries(doc.sectionsRead || {}).filter(([, read]) => !read)
                    .map(([name]) => name);
  if (!doc.error && notRead.length) {
    reasons.push(`sections not read (${notRead.join(', ')}) would be lost by a save`);
  }
  if (doc.flags?.readOnly) reasons.push('the document is marked read-only');
  return reasons;
}

async function openDocument(path) {
  if (view?.dirty && view.path !== path &&
      !window.confirm(`Your edits of ${view.path} are not saved. Leave them?`)) {
    history.replaceState(null, '', documentLink(view.path));
    return;
  }
  const main = byId('document');
  replace(main, el('p', { class: 'note' }, `Opening ${path}…`));
  // Only the last document asked for is shown, whichever answer comes first.
  openTicket += 1;
  const ticket = openTicket;
  let result;
  try {
    result = await api('GET', apiPath(path));
  } catch (error) {
    if (ticket !== openTicket) return;
    view = null;
    renderFolder();
    replace(main, el('h2', { tabindex: '-1', id: 'doc-title' }, path),
            el('p', { class: 'alert', role: 'alert' }, `Cannot open ${path}: ${error.message}`));
    return;
  }
  if (ticket !== openTicket) return;
  view = {
    path,
    doc: result.data,
    etag: result.etag,
    rows: [],
    dirty: false,
    offset: 0,
    theirs: null,
  };
  view.reasons = readOnlyReasons(view.doc);
  view.editable = view.reasons.length === 0;
  view.rows = (view.doc.conditions || []).map((text) => ({ id: uniqueId('cond'), text }));
  renderFolder();
  renderDocument();
  byId('doc-title').focus();
}

function renderDocument() {
  const { doc, path } = view;
  const main = byId('document');
  const title = el('h2', { id: 'doc-title', tabindex: '-1' }, path);
  const parts = [title, el('p', { class: 'subtitle' }, 'Database ', el('code', {}, doc.database || '(none)'))];
  if (doc.error) {
    const where = [];
    if (doc.error.line) where.push(`line ${doc.error.line}`);
    if (doc.error.byte !== undefined && doc.error.byte !== null) where.push(`byte ${doc.error.byte}`);
    parts.push(el('div', { class: 'alert', role: 'alert', id: 'read-error' },
                  el('p', {}, el('strong', {}, 'This file did not read cleanly. '),
                     `Error ${doc.error.number ?? ''}: ${doc.error.message}` +
                     (where.length ? ` (at ${where.join(', ')})` : '') + '.'),
                  el('p', {}, 'What was read before the error is shown below, read-only: ' +
                     'it cannot be edited or saved here.')));
  } else if (!view.editable) {
    parts.push(el('p', { class: 'alert', id: 'read-only' },
                  `Shown read-only: ${view.reasons.join('; ')}.`));
  }
  // A read that stopped early may have lost conditions: its statement could
  // select far more than the document asks for, so it is not offered.
  const query = doc.error
    ? section('query-panel', 'Parameters, SQL and rows',
              el('p', { class: 'note' }, 'A document that did not read cleanly is not run: ' +
                 'its conditions and joins may be incomplete.'))
    : querySection();
  parts.push(diagramSection(), listsSection(), conditionsSection(), query, settingsSection());
  replace(main, parts);
  if (view.editable) view.rows.forEach((row) => checkRow(row));
  if (!doc.error) {
    refreshQuery();
    checkAgainstSchema();
  }
}

function section(id, heading, ...children) {
  const headingId = `${id}-title`;
  return el('section', { id, 'aria-labelledby': headingId, class: 'panel' },
            el('h3', { id: headingId }, heading), ...children);
}

function diagramSection() {
  const { doc } = view;
  const joins = doc.joins || [];
  const tables = doc.tables || [];
  const alt = `Diagram of ${view.path}: ${tables.length} table${tables.length === 1 ? '' : 's'} ` +
              `(${tables.join(', ')}) and ${joins.length} join${joins.length === 1 ? '' : 's'}` +
              (joins.length ? ` (${joins.join('; ')})` : '') + '.';
  const image = el('img', { id: 'diagram', alt,
                            src: `${apiPath(view.path)}/diagram.svg?v=${encodeURIComponent(view.etag || '')}` });
  const note = el('p', { class: 'note', id: 'diagram-note', hidden: true });
  image.addEventListener('error', () => {
    note.hidden = false;
    note.textContent = 'The diagram could not be drawn.';
  });
  return section('diagram-panel', 'Diagram', el('figure', {}, image), note);
}

// Whether the file's section was not read: its members hold defaults, or a
// list what was read of it before the read stopped.
function notRead(section) {
  return view.doc.sectionsRead?.[section] === false;
}

function listBlock(id, heading, items, section) {
  const body = items && items.length
    ? el('ul', { id, class: 'plain' }, items.map((item) => el('li', {}, el('code', {}, item))))
    : el('p', { id, class: 'note' }, 'none');
  const note = section && notRead(section)
    ? el('p', { class: 'error' }, `The ${section} section was not read${items?.length ? ' to its end; what was read:' : '.'}`)
    : null;
  return el('div', { class: 'list' }, el('h4', {}, heading), note,
            note && !items?.length ? null : body);
}

function listsSection() {
  const { doc } = view;
  const sort = doc.dynamicSort?.text ? [doc.dynamicSort.text] : [];
  return section('lists', 'Lists',
    el('div', { class: 'lists' },
       listBlock('tables', 'Tables', doc.tables, 'TABLES'),
       listBlock('attributes', 'Display attributes', doc.attributes, 'ATTRIBUTES'),
       listBlock('non-display', 'Non-display attributes', doc.nonDisplayAttributes,
                 'NON-DISPLAY-ATTRIBUTES'),
       listBlock('joins', 'Joins', doc.joins, 'JOINS'),
       listBlock('sort', 'Sort', sort),
       listBlock('defaults', 'Default values', doc.defaultValues, 'DEFAULT-VALUES')));
}

// The database's verdict on each table, attribute and join, beside it.
async function checkAgainstSchema() {
  if (!folder.database) return;
  const path = view.path;
  let report;
  try {
    ({ data: { report } } = await api('POST', '/api/check', { body: { path } }));
  } catch {
    return; // the lists stand without it; runs and checks say what is wrong
  }
  if (view?.path !== path || !report) return;
  const lists = { tables: 'tables', attributes: 'attributes', nonDisplayAttributes: 'non-display',
                  joins: 'joins' };
  for (const [key, id] of Object.entries(lists)) {
    const items = byId(id)?.children ?? [];
    (report[key] || []).forEach((verdict, index) => {
      if (verdict.ok || !items[index]) return;
      items[index].append(el('span', { class: 'schema-bad' },
                             ` ${verdict.messages.join(' ') || 'not in the database'}`));
    });
  }
}

// ---------------------------------------------------------------- conditions

function conditionsSection() {
  if (!view.editable) {
    return section('conditions-panel', 'Conditions',
                   listBlock('conditions', 'Conditions as read', view.doc.conditions, 'CONDITIONS'));
  }
  const list = el('ol', { id: 'conditions', class: 'conditions' });
  const add = el('button', { type: 'button', id: 'add-condition' }, 'Add a condition');
  add.addEventListener('click', () => {
    const row = { id: uniqueId('cond'), text: '' };
    view.rows.push(row);
    markDirty();
    renderConditions();
    byId(`${row.id}-input`).focus();
  });
  const save = el('button', { type: 'button', id: 'save' }, 'Save');
  save.addEventListener('click', () => save_());
  const saveMessage = el('div', { id: 'save-message', role: 'status', 'aria-live': 'polite' });
  const conflict = el('div', { id: 'conflict' });
  const panel = section('conditions-panel', 'Conditions',
    el('p', { class: 'note' }, 'Each condition is checked by the library as you type' +
       (folder.database ? '' : ', as the type chosen beside it (with --db, qdf serve takes ' +
                               'the type from the database)') +
       '. Run, SQL and parameters show the saved document: save to use your edits there.'),
    list, el('div', { class: 'actions' }, add, save), saveMessage, conflict);
  append(list, view.rows.map((row, index) => conditionRow(row, index)));
  return panel;
}

function renderConditions() {
  const list = byId('conditions');
  if (!list) return;
  replace(list, view.rows.map((row, index) => conditionRow(row, index)));
}

function conditionRow(row, index) {
  const inputId = `${row.id}-input`;
  const messagesId = `${row.id}-messages`;
  const label = el('label', { for: inputId }, `Condition ${index + 1}`);
  const input = el('input', { type: 'text', id: inputId, class: 'condition-input',
                              'aria-describedby': messagesId, spellcheck: 'false',
                              autocomplete: 'off' });
  input.value = row.text;
  if (row.verdict) input.setAttribute('aria-invalid', row.verdict.ok === false ? 'true' : 'false');
  const check = debounce(() => checkRow(row), CHECK_DELAY_MS);
  input.addEventListener('input', () => {
    row.text = input.value;
    row.pending = true;
    markDirty();
    check();
  });
  const remove = el('button', { type: 'button', class: 'remove',
                                'aria-label': `Remove condition ${index + 1}` }, 'Remove');
  remove.addEventListener('click', () => {
    check.cancel();
    const at = view.rows.indexOf(row);
    view.rows.splice(at, 1);
    markDirty();
    renderConditions();
    const next = view.rows[Math.min(at, view.rows.length - 1)];
    (next ? byId(`${next.id}-input`) : byId('add-condition')).focus();
  });
  const messages = el('div', { id: messagesId, class: 'messages', 'aria-live': 'polite' });
  showVerdict(messages, row);
  return el('li', { class: 'condition', id: row.id },
            el('div', { class: 'condition-line' }, label, input, typeChoice(row, index), remove),
            messages);
}

// Without a database the attribute's type is the user's to say.
const TYPES = ['', 'string', 'integer', 'real', 'time', 'bool'];
function typeChoice(row, index) {
  if (folder.database) return null;
  const id = `${row.id}-type`;
  const select = el('select', { id, 'aria-label': `Type of condition ${index + 1}` },
                    TYPES.map((t) => el('option', { value: t, selected: t === (row.type || '') },
                                        t || 'type?')));
  select.addEventListener('change', () => {
    row.type = select.value;
    checkRow(row);
  });
  return select;
}

function showVerdict(node, row) {
  const verdict = row.verdict;
  if (!verdict) {
    replace(node);
    node.className = 'messages';
    return;
  }
  node.className = `messages ${verdict.ok === null ? 'note' : verdict.ok ? 'ok' : 'bad'}`;
  const lines = verdict.messages.length ? verdict.messages
                                        : [verdict.ok ? 'The library accepts this condition.' : 'Refused.'];
  replace(node, el('ul', { class: 'plain' }, lines.map((m) => el('li', {}, m))));
}

async function checkRow(row) {
  const text = row.text;
  row.sequence = (row.sequence || 0) + 1;
  const sequence = row.sequence;
  let verdict;
  if (text.trim() === '') {
    verdict = { ok: false, messages: ['Empty: write a condition or remove it.'] };
  } else if (!folder.database && !row.type) {
    verdict = { ok: null, messages: ["Choose the attribute's type beside it to have the library check it."] };
  } else {
    try {
      const body = folder.database ? { condition: text, path: view.path }
                                   : { condition: text, type: row.type };
      const { data } = await api('POST', '/api/check', { body });
      verdict = { ok: Boolean(data.ok), messages: data.messages || [] };
    } catch (error) {
      verdict = { ok: false, messages: [`Not checked: ${error.message}`] };
    }
  }
  if (row.sequence !== sequence || !view.rows.includes(row)) return;
  row.verdict = verdict;
  row.pending = false;
  const node = byId(`${row.id}-messages`);
  if (node) showVerdict(node, row);
  const input = byId(`${row.id}-input`);
  if (input) input.setAttribute('aria-invalid', verdict.ok === false ? 'true' : 'false');
}

function markDirty() {
  view.dirty = true;
  const message = byId('save-message');
  if (message && !message.classList.contains('conflict')) {
    message.className = 'note';
    message.textContent = 'Not saved yet.';
  }
}

function editedDocument() {
  return { ...view.doc, conditions: view.rows.map((row) => row.text) };
}

async function save_(etag = view.etag) {
  const message = byId('save-message');
  const empty = view.rows.findIndex((row) => row.text.trim() === '');
  if (empty >= 0) {
    message.className = 'error';
    message.textContent = `Not saved: condition ${empty + 1} is empty. Write it or remove it.`;
    byId(`${view.rows[empty].id}-input`).focus();
    return;
  }
  const path = view.path;
  const sent = editedDocument();
  message.className = 'note';
  message.textContent = 'Saving…';
  try {
    const { data, etag: header } = await api('PUT', apiPath(path),
                                             { body: sent, headers: { 'If-Match': etag } });
    if (view.path !== path) return;
    view.etag = data?.etag ?? header;
    view.doc = sent;
    view.dirty = false;
    view.theirs = null;
    replace(byId('conflict'));
    message.className = 'ok';
    message.textContent = `Saved ${path} at ${new Date().toLocaleTimeString()}.`;
    byId('diagram').src = `${apiPath(path)}/diagram.svg?v=${encodeURIComponent(view.etag || '')}`;
    view.offset = 0;
    if (!view.doc.error) refreshQuery();
    loadFolder();
  } catch (error) {
    if (view.path !== path) return;
    if (error.status === 412) {
      showConflict(error);
      return;
    }
    message.className = 'error';
    message.textContent = `Not saved: ${error.message}. Your edits are still here.`;
  }
}

// Someone else saved the file after it was read: nothing was written, the
// edits stay, and the user may look at their version before deciding.
function showConflict() {
  const message = byId('save-message');
  message.className = 'error conflict';
  message.textContent = `Not saved: someone else saved ${view.path} after you opened it. ` +
                        'Your edits are kept here; the file still holds their version.';
  const show = el('button', { type: 'button', id: 'show-theirs' }, 'Show their version');
  show.addEventListener('click', () => loadTheirs());
  replace(byId('conflict'), el('div', { class: 'actions' }, show));
}

async function loadTheirs() {
  const box = byId('conflict');
  let result;
  try {
    result = await api('GET', apiPath(view.path));
  } catch (error) {
    replace(box, el('p', { class: 'error' }, `Cannot read their version: ${error.message}`));
    return;
  }
  view.theirs = { doc: result.data, etag: result.etag };
  const mine = view.rows.map((row) => row.text);
  const theirs = result.data.conditions || [];
  const differing = Object.keys(result.data)
    .filter((key) => !['file', 'conditions', 'sectionsRead', 'statusReport', 'error'].includes(key))
    .filter((key) => JSON.stringify(result.data[key]) !== JSON.stringify(view.doc[key]));
  const side = (heading, items, id) => el('div', { class: 'list' }, el('h4', {}, heading),
    items.length ? el('ol', { id }, items.map((t) => el('li', {}, el('code', {}, t))))
                 : el('p', { class: 'note', id }, 'none'));
  const overwrite = el('button', { type: 'button', id: 'save-over' }, 'Save mine over theirs');
  overwrite.addEventListener('click', () => {
    // Their other members are kept: only the conditions are ours.
    view.doc = { ...view.theirs.doc };
    save_(view.theirs.etag);
  });
  const take = el('button', { type: 'button', id: 'take-theirs' }, 'Drop my edits and open theirs');
  take.addEventListener('click', () => {
    view.dirty = false;
    openDocument(view.path);
  });
  replace(box,
    el('div', { class: 'compare' },
       side('Your conditions (not saved)', mine, 'mine'),
       side('Their conditions (in the file now)', theirs, 'theirs')),
    el('p', { class: 'note' }, differing.length
      ? `They also changed: ${differing.join(', ')}. Saving yours keeps those changes of theirs.`
      : 'Their other members are as you read them.'),
    el('div', { class: 'actions' }, overwrite, take));
}

// ---------------------------------------------------------------- parameters, SQL, run

function querySection() {
  const form = el('form', { id: 'params-form', class: 'params' });
  form.addEventListener('submit', (event) => {
    event.preventDefault();
    view.offset = 0;
    run();
  });
  const runButton = el('button', { type: 'submit', id: 'run', disabled: !folder.database }, 'Run');
  const runNote = folder.database ? null
    : el('p', { class: 'note' }, 'qdf serve was started without --db: there is no database to run on.');
  append(form, [el('div', { id: 'params' }), el('div', { class: 'actions' }, runButton), runNote]);
  return section('query-panel', 'Parameters, SQL and rows',
    form,
    el('h4', {}, 'SQL'),
    el('div', { id: 'sql', 'aria-live': 'polite' }),
    el('div', { id: 'results', 'aria-live': 'polite' }));
}

function paramValues() {
  const values = {};
  for (const input of document.querySelectorAll('#params-form input[data-name]')) {
    if (input.value !== '') values[input.dataset.name] = input.value;
  }
  return values;
}

async function refreshQuery() {
  const path = view.path;
  const form = byId('params');
  let parameters = [];
  try {
    const { data } = await api('GET', `${apiPath(path)}/params`);
    parameters = data?.parameters || [];
  } catch (error) {
    if (view?.path !== path) return;
    replace(form, el('p', { class: 'error' }, `Parameters: ${error.message}`));
    refreshSql();
    return;
  }
  if (view?.path !== path) return;
  const kept = paramValues();
  const seen = new Map();
  for (const p of parameters) {
    if (!seen.has(p.name)) seen.set(p.name, { ...p, places: [] });
    const entry = seen.get(p.name);
    if (p.attribute) entry.places.push(p.attribute);
    entry.needsValue = entry.needsValue || p.needsValue;
  }
  const update = debounce(refreshSql, SQL_DELAY_MS);
  const fields = [...seen.values()].map((p) => {
    const id = uniqueId('param');
    const hintId = `${id}-hint`;
    const input = el('input', { type: 'text', id, 'aria-describedby': hintId,
                                placeholder: p.default ?? '', autocomplete: 'off' });
    input.dataset.name = p.name;
    input.value = kept[p.name] ?? '';
    input.addEventListener('input', update);
    const hint = [];
    if (p.type) hint.push(p.type);
    if (p.places.length) hint.push(`for ${[...new Set(p.places)].join(', ')}`);
    if (p.default !== null && p.default !== undefined && p.default !== '') {
      hint.push(`default ${p.default}`);
    }
    if (p.needsValue) hint.push('needs a value');
    return el('div', { class: 'field' }, el('label', { for: id }, p.name), input,
              el('span', { class: 'hint', id: hintId }, hint.join(' · ')));
  });
  replace(form, fields.length ? el('fieldset', {}, el('legend', {}, 'Parameters'), fields)
                              : el('p', { class: 'note' }, 'The document has no parameters.'));
  refreshSql();
}

async function refreshSql() {
  const path = view.path;
  const box = byId('sql');
  const query = new URLSearchParams();
  for (const [name, value] of Object.entries(paramValues())) query.append(`param.${name}`, value);
  const suffix = query.toString() ? `?${query}` : '';
  try {
    const { data } = await api('GET', `${apiPath(path)}/sql${suffix}`);
    if (view?.path !== path) return;
    const values = (data.values || []).map((v) =>
      el('li', {}, el('code', {}, `${v.name} = ${v.value}`),
         el('span', { class: 'hint' }, ` ${v.type}${v.fromDefault ? ', from its default' : ''}`)));
    replace(box, el('pre', { id: 'statement' }, el('code', {}, data.statement)),
            values.length ? el('ul', { class: 'plain values' }, values) : null);
  } catch (error) {
    if (view?.path !== path) return;
    replace(box, el('p', { class: 'error', id: 'sql-error' }, error.message));
  }
}

async function run() {
  const path = view.path;
  const box = byId('results');
  const offset = view.offset;
  replace(box, el('p', { class: 'note' }, 'Running…'));
  let data;
  try {
    ({ data } = await api('POST', `${apiPath(path)}/run`, {
      body: { params: paramValues(), limit: PAGE_SIZE, offset, timeout: RUN_TIMEOUT_S } }));
  } catch (error) {
    if (view?.path !== path) return;
    const text = error.status === 409
      ? 'qdf serve was started without --db: there is no database to run on.'
      : `The run failed: ${error.message}`;
    replace(box, el('p', { class: 'error', role: 'alert' }, text));
    return;
  }
  if (view?.path !== path) return;
  const rows = data.rows || [];
  const columns = data.columns || [];
  const numeric = columns.map((_, i) => rows.length > 0 &&
    rows.every((r) => r[i] === null || typeof r[i] === 'number'));
  const table = el('table', { id: 'rows' },
    el('caption', {}, rows.length
      ? `Rows ${offset + 1} to ${offset + rows.length}${data.more ? ' (more follow)' : ''}`
      : (offset ? 'No more rows' : 'No rows')),
    el('thead', {}, el('tr', {}, columns.map((c) => el('th', { scope: 'col' }, c)))),
    el('tbody', {}, rows.map((r) => el('tr', {}, r.map((v, i) =>
      v === null ? el('td', { class: 'null' }, 'NULL')
                 : el('td', { class: numeric[i] ? 'num' : false }, String(v)))))));
  const previous = el('button', { type: 'button', id: 'previous', disabled: offset === 0 }, 'Previous');
  const next = el('button', { type: 'button', id: 'next', disabled: !data.more }, 'Next');
  previous.addEventListener('click', () => {
    view.offset = Math.max(0, offset - PAGE_SIZE);
    run();
  });
  next.addEventListener('click', () => {
    view.offset = offset + PAGE_SIZE;
    run();
  });
  replace(box, el('div', { class: 'table-wrap' }, table),
          el('div', { class: 'actions pager' }, previous, next));
}

// ---------------------------------------------------------------- settings

function settingsSection() {
  const { doc } = view;
  const flags = doc.flags || {};
  const display = doc.display || {};
  const printer = doc.printer || {};
  const sort = doc.dynamicSort || {};
  const rows = [];
  // A setting whose section was not read shows that, not the default it holds.
  const add = (term, section, ...description) => rows.push(el('dt', {}, term), el('dd', {},
    ...(section && notRead(section) ? [el('span', { class: 'error' }, `not read (${section})`)] : description)));
  add('SQL', 'FLAGS', flags.editedSQL ? 'The edited SQL is used' : 'The generated SQL is used');
  add('Query', 'FLAGS', flags.activeQuery ? 'Active' : 'Static');
  add('Read-only', 'FLAGS', flags.readOnly ? 'Yes' : 'No');
  add('Selection', 'FLAGS', flags.selectionByRow ? 'By row' : 'By cell');
  add('Without conditions', 'FLAGS',
      flags.autoRunWithoutConditions ? 'Runs automatically' : 'Does not run automatically');
  add('Window position', 'WINDOW-POSITION', doc.windowPosition || 'none');
  add('Edited SQL', 'EDITED-SQL', doc.editedSQL ? el('pre', {}, doc.editedSQL) : 'none');
  add('Custom data', 'CUSTOM-DATA-STRING', doc.customDataString || 'none');
  add('Time', 'TIME', `zone ${doc.time?.zone ?? ''}, ${doc.time?.text || 'no text'}`);
  add('Display', 'DISPLAY-PROPERTIES',
      `property 1: ${display.property1 ?? ''}, property 2: ${display.property2 ?? ''}`);
  add('Background colour', 'DISPLAY-PROPERTIES', colour(display.backgroundColour));
  add('Text colour', 'DISPLAY-PROPERTIES', colour(display.textColour));
  const strings = (printer.strings || []).map((s, i) => el('li', {}, `${i + 1}: `, s ? el('code', {}, s) : '(empty)'));
  add('Printer', null, el('ul', { class: 'plain' }, strings),
      `property 1: ${printer.property1 ?? ''}, property 2: ${printer.property2 ?? ''}`);
  add('Sort', null, sort.text ? el('code', {}, sort.text) : 'none',
      ` (sorts ${sort.sort1 ?? ''}, ${sort.sort2 ?? ''}, ${sort.sort3 ?? ''})`);
  const missing = Object.entries(doc.sectionsRead || {}).filter(([, read]) => !read).map(([n]) => n);
  add('Sections not read', null, missing.length ? missing.join(', ') : 'none');
  if (doc.statusReport) add('Status report', null, el('pre', {}, doc.statusReport));
  return section('settings', 'Flags and view settings', el('dl', { class: 'settings' }, rows));
}

function colour(text) {
  if (!text) return 'none';
  const rgb = colourOf(text);
  if (!rgb) return text;
  const swatch = el('span', { class: 'swatch', 'aria-hidden': 'true' });
  swatch.style.backgroundColor = rgb; // CSSOM, which the policy allows
  return el('span', {}, swatch, `${rgb} (${text})`);
}

// ---------------------------------------------------------------- start

window.addEventListener('beforeunload', (event) => {
  if (view?.dirty) event.preventDefault();
});

window.addEventListener('hashchange', () => {
  const path = pathFromHash();
  if (path) openDocument(path);
});

async function start() {
  await loadFolder();
  const path = pathFromHash();
  if (path) openDocument(path);
}

start();
