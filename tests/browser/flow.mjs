// Walks the page of `qdf serve` in the system's Chromium, as a user would:
// opens the printed address, finds the examples, opens sales.qdf and its
// diagram, types a wrong condition and a right one, saves, runs with
// parameters, and checks each result against the qdf command line on the
// same files. Also: a document whose texts are markup shows them as text, a
// damaged file is read-only, a save after someone else's is refused with the
// edits kept, and a page without the session says how to get one.
//
// Environment: QDF (the qdf program), SCREENSHOTS (a folder for one PNG a
// step). Exits 77 (skipped) when Chromium or the npm packages are missing.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const SKIP = 77;
const here = path.dirname(fileURLToPath(import.meta.url));
const source = path.resolve(here, '..', '..');
const chromiumPath = process.env.CHROMIUM || '/usr/bin/chromium';
const qdf = process.env.QDF;
const screenshots = process.env.SCREENSHOTS;

if (!fs.existsSync(chromiumPath)) {
  console.log(`SKIPPED: ${chromiumPath} is not installed (scripts/deps.sh installs it)`);
  process.exit(SKIP);
}
if (!fs.existsSync(path.join(here, 'node_modules', 'playwright-core'))) {
  console.log('SKIPPED: run `npm ci --prefix tests/browser` first (scripts/deps.sh does)');
  process.exit(SKIP);
}
if (!qdf || !fs.existsSync(qdf)) {
  console.error(`QDF must name the built qdf program (got ${qdf ?? 'nothing'})`);
  process.exit(1);
}
if (!screenshots) {
  console.error('SCREENSHOTS must name a folder for the screenshots');
  process.exit(1);
}

const { chromium } = await import('playwright-core');

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'qdf-browser-'));
const folder = path.join(work, 'documents');
const database = path.join(work, 'sales.db');
fs.mkdirSync(folder);
fs.mkdirSync(screenshots, { recursive: true });

// ------------------------------------------------------------ helpers

class Failure extends Error {}

function expect(condition, message) {
  if (!condition) throw new Failure(message);
}

function equal(actual, expected, what) {
  const a = JSON.stringify(actual);
  const e = JSON.stringify(expected);
  expect(a === e, `${what}:\n  expected ${e}\n  got      ${a}`);
}

// Runs qdf with args; returns { status, stdout, stderr }.
function runQdf(...args) {
  const result = spawnSync(qdf, args, { encoding: 'utf8', cwd: work });
  if (result.error) throw result.error;
  return result;
}

// The document's JSON form; status 1 (read stopped at an error) when damaged.
function exportOf(file, { damaged = false } = {}) {
  const result = runQdf('export', file);
  expect(result.status === (damaged ? 1 : 0), `qdf export ${file}: status ${result.status}: ${result.stderr}`);
  return JSON.parse(result.stdout);
}

const problems = [];
// The rows `qdf run --format json` prints, as the page shows them.
function cliRows(...params) {
  const args = ['run', path.join(folder, 'sales.qdf'), '--db', database, '--format', 'json'];
  for (const p of params) args.push('--param', p);
  const cli = runQdf(...args);
  expect(cli.status === 0, `qdf run: ${cli.stderr}`);
  const { columns, rows } = JSON.parse(cli.stdout);
  return { columns, rows: rows.map((row) => row.map((v) => (v === null ? 'NULL' : String(v)))) };
}

async function shownRows() {
  await page.locator('#rows').waitFor();
  return {
    columns: await page.locator('#rows thead th').allInnerTexts(),
    rows: await page.locator('#rows tbody tr').evaluateAll((trs) =>
      trs.map((tr) => [...tr.cells].map((td) => td.textContent))),
  };
}

let passed = 0;
let failed = 0;
let stepNumber = 0;

async function step(name, body) {
  stepNumber += 1;
  const label = `${String(stepNumber).padStart(2, '0')}-${name}`;
  try {
    await body();
    passed += 1;
    console.log(`ok ${stepNumber} - ${name}`);
  } catch (error) {
    failed += 1;
    console.log(`not ok ${stepNumber} - ${name}\n${String(error.stack || error).replace(/^/gm, '    ')}`);
    if (problems.length) console.log(`    the page reported:\n      ${problems.join('\n      ')}`);
  }
  if (page) {
    await page.screenshot({ path: path.join(screenshots, `${label}.png`), fullPage: true })
      .catch((error) => console.log(`    (no screenshot: ${error.message})`));
  }
  if (failed) throw new Failure(`step ${label} failed`);
}

// ------------------------------------------------------------ the files

for (const name of fs.readdirSync(path.join(source, 'examples'))) {
  if (name.endsWith('.qdf')) {
    fs.copyFileSync(path.join(source, 'examples', name), path.join(folder, name));
  }
}
{
  // The example's rows, and 230 orders of 2020 for more than one page.
  const more = `
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 230)
INSERT INTO ORDERS SELECT 2000 + i, date('2020-01-01', '+' || i || ' days'),
                          1 + i % 6, 10 + i % 4, 1, 500.00 FROM n;`;
  const made = spawnSync('sqlite3', [database], {
    input: fs.readFileSync(path.join(source, 'examples', 'sales.sql'), 'utf8') + more,
    encoding: 'utf8' });
  if (made.error || made.status !== 0) {
    console.error(`cannot make ${database} with sqlite3: ${made.error?.message ?? made.stderr}`);
    process.exit(1);
  }
}
// A document from a stranger whose texts are markup and script.
const attack = '<img src=x onerror="window.__attacked=1">';
{
  const json = path.join(work, 'attack.json');
  fs.writeFileSync(json, JSON.stringify({
    database: `SALES${attack}`,
    tables: ['ORDERS', `T${attack}`],
    attributes: ['ORDERS.ORDER_NO'],
    conditions: [`ORDERS.ORDER_NO = '${attack}'`],
    joins: [],
    customDataString: `<script>window.__attacked=2</script>`,
  }));
  fs.mkdirSync(path.join(folder, 'from strangers'));
  const made = runQdf('import', json, '-o', path.join(folder, 'from strangers', 'markup.qdf'));
  expect(made.status === 0, `qdf import of the markup document: ${made.stderr}`);
}

// ------------------------------------------------------------ the server

let server = null;
let context = null;
let page = null;

function stopServer() {
  if (server && server.exitCode === null && server.signalCode === null) server.kill('SIGTERM');
}
process.on('exit', stopServer);
for (const signal of ['SIGINT', 'SIGTERM']) {
  process.on(signal, () => {
    stopServer();
    process.exit(1);
  });
}

function startServer() {
  return new Promise((resolve, reject) => {
    server = spawn(qdf, ['serve', folder, '--db', database, '--port', '0'],
                   { cwd: work, stdio: ['ignore', 'pipe', 'pipe'] });
    let out = '';
    let err = '';
    const timer = setTimeout(() => reject(new Failure(
      `qdf serve printed no address within 20 s\nstdout: ${out}\nstderr: ${err}`)), 20000);
    server.stdout.setEncoding('utf8');
    server.stderr.setEncoding('utf8');
    server.stdout.on('data', (chunk) => {
      out += chunk;
      const found = out.match(/http:\/\/127\.0\.0\.1:\d+\/\?token=[A-Za-z0-9_\-.~%]+/);
      if (found) {
        clearTimeout(timer);
        resolve(found[0]);
      }
    });
    server.stderr.on('data', (chunk) => {
      err += chunk;
      process.stderr.write(chunk);
    });
    server.on('exit', (code, signal) => {
      clearTimeout(timer);
      reject(new Failure(`qdf serve ended (status ${code}, signal ${signal})\nstdout: ${out}\nstderr: ${err}`));
    });
    server.on('error', reject);
  });
}

// ------------------------------------------------------------ the flow

let status = 1;
try {
  const address = await startServer();
  const origin = new URL(address).origin;

  context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
    executablePath: chromiumPath,
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    viewport: { width: 1280, height: 900 },
    deviceScaleFactor: 1,
  });
  page = context.pages()[0] ?? await context.newPage();
  page.setDefaultTimeout(15000);
  page.on('pageerror', (error) => problems.push(`script error: ${error.message}`));
  page.on('console', (message) => {
    const text = message.text();
    // Refused script or style, and anything the page logs as an error; the
    // API's refusals, which the page shows, are not the page's errors.
    if (message.type() === 'error' && !/^Failed to load resource: the server responded/.test(text)) {
      problems.push(`console: ${text}`);
    }
  });
  const noProblems = () => {
    expect(problems.length === 0, `the page reported:\n  ${problems.join('\n  ')}`);
  };

  await step('open-address', async () => {
    await page.goto(address);
    expect(new URL(page.url()).pathname === '/', `the token address led to ${page.url()}`);
    expect(!page.url().includes('token'), 'the token stays in the address bar');
    await page.getByRole('heading', { name: 'Documents', exact: true }).waitFor();
  });

  await step('examples-listed', async () => {
    const list = page.locator('#documents');
    for (const name of ['sales.qdf', 'damaged.qdf', 'legacy.qdf', 'from strangers/markup.qdf']) {
      await list.getByRole('link', { name, exact: false }).first().waitFor();
    }
    const damaged = list.locator('li', { has: page.getByRole('link', { name: /damaged\.qdf/ }) });
    expect(/does not read cleanly/.test(await damaged.innerText()), 'damaged.qdf carries no mark');
    const sales = list.locator('li', { has: page.getByRole('link', { name: /^sales\.qdf/ }) });
    expect(!/does not read cleanly/.test(await sales.innerText()), 'sales.qdf is marked damaged');
    noProblems();
  });

  await step('document-and-diagram', async () => {
    await page.getByRole('link', { name: /^sales\.qdf/ }).click();
    await page.getByRole('heading', { name: 'sales.qdf', level: 2 }).waitFor();
    equal(await page.locator('#tables li').allInnerTexts(), ['ORDERS', 'CUSTOMERS', 'PRODUCTS'],
          'the tables listed');
    equal(await page.locator('#joins li').allInnerTexts(),
          ['ORDERS.CUSTOMER_NO = CUSTOMERS.CUSTOMER_NO', 'ORDERS.PRODUCT_NO = PRODUCTS.PRODUCT_NO'],
          'the joins listed');
    const image = page.locator('#diagram');
    await page.waitForFunction(() => {
      const img = document.getElementById('diagram');
      return img && img.complete && img.naturalWidth > 0;
    });
    // The picture the page shows, fetched through the page's own session.
    const svg = await page.evaluate(async (src) => {
      const response = await fetch(src);
      return { status: response.status, type: response.headers.get('Content-Type'),
               text: await response.text() };
    }, await image.getAttribute('src'));
    equal(svg.status, 200, 'the diagram answer');
    expect(/svg/.test(svg.type), `the diagram's type is ${svg.type}`);
    for (const table of ['ORDERS', 'CUSTOMERS', 'PRODUCTS']) {
      expect(svg.text.includes(`>${table}<`), `the diagram shows no table ${table}`);
    }
    equal((svg.text.match(/<g id="[^"]*" class="edge">/g) || []).length, 2, 'the edges in the diagram');
    await page.locator('#settings').scrollIntoViewIfNeeded();
    expect(/Selection\s*By row/.test(await page.locator('#settings').innerText()),
           'the flags are not shown in words');
    noProblems();
    await page.screenshot({ path: path.join(screenshots, 'document-view.png') });
  });

  const condition = page.getByLabel('Condition 4', { exact: true });
  const messages = page.locator('#conditions > li').nth(3).locator('.messages');

  await step('wrong-condition', async () => {
    const wrong = 'ORDERS.AMOUNT > > 5';
    const expected = runQdf('condition', '--type', 'real', '--table', 'ORDERS', '--attribute', 'AMOUNT', wrong);
    expect(expected.status !== 0, `qdf condition accepts ${wrong}`);
    await condition.fill('');
    await condition.pressSequentially(wrong, { delay: 20 });
    await page.waitForFunction(() => document.querySelector('#conditions > li:nth-child(4) .messages.bad'));
    const shown = await messages.innerText();
    expect(shown.trim().length > 0, 'no message beside the field');
    const first = shown.split('\n')[0].trim();
    expect((expected.stdout + expected.stderr).includes(first),
           `the page says "${first}", qdf condition says:\n${expected.stdout}${expected.stderr}`);
    equal(await condition.getAttribute('aria-invalid'), 'true', 'the field is marked invalid');
    const described = await condition.getAttribute('aria-describedby');
    equal(await messages.getAttribute('id'), described, 'the field names its messages');
  });

  const fixed = 'ORDERS.AMOUNT >= <<MinAmount>>';
  await step('fix-and-save', async () => {
    await condition.fill(fixed);
    await page.waitForFunction(() => document.querySelector('#conditions > li:nth-child(4) .messages.ok'));
    const before = fs.readFileSync(path.join(folder, 'sales.qdf'));
    await page.getByRole('button', { name: 'Save', exact: true }).click();
    await page.locator('#save-message.ok').waitFor();
    expect(/Saved sales\.qdf/.test(await page.locator('#save-message').innerText()),
           'no clear message after the save');
    expect(!before.equals(fs.readFileSync(path.join(folder, 'sales.qdf'))), 'the file did not change');
    const saved = exportOf(path.join(folder, 'sales.qdf'));
    equal(saved.conditions, ['ORDERS.ORDER_DATE >= <<From>>', 'ORDERS.ORDER_DATE <= <<To>>',
                             "CUSTOMERS.REGION IN ('NORTH','EAST')", fixed], 'the saved conditions');
    equal(saved.error, null, 'the saved file reads cleanly');
    equal(saved.printer, exportOf(path.join(source, 'examples', 'sales.qdf')).printer,
          'the printer settings kept');
    noProblems();
  });

  await step('run-with-parameters', async () => {
    await page.getByLabel('From', { exact: true }).fill('2024-01-01');
    await page.getByLabel('To', { exact: true }).fill('2024-12-31');
    await page.getByRole('button', { name: 'Run', exact: true }).click();
    const expected = cliRows('From=2024-01-01', 'To=2024-12-31');
    expect(expected.rows.length > 0, 'qdf run printed no rows: the flow proves nothing');
    equal(await shownRows(), expected, 'the rows shown');
    expect(/SELECT/i.test(await page.locator('#statement').innerText()), 'no SQL shown');
    noProblems();
  });

  await step('rows-in-pages', async () => {
    await page.getByLabel('From', { exact: true }).fill('2020-01-01');
    await page.getByLabel('To', { exact: true }).fill('2020-12-31');
    await page.getByRole('button', { name: 'Run', exact: true }).click();
    const all = cliRows('From=2020-01-01', 'To=2020-12-31');
    expect(all.rows.length > 100 && all.rows.length <= 200, `${all.rows.length} rows for two pages`);
    await page.locator('#rows caption', { hasText: 'Rows 1 to 100' }).waitFor();
    equal((await shownRows()).rows, all.rows.slice(0, 100), 'the first page');
    expect(await page.getByRole('button', { name: 'Previous' }).isDisabled(), 'Previous on page 1');
    // By keyboard: the pager's buttons are buttons.
    await page.getByRole('button', { name: 'Next' }).focus();
    await page.keyboard.press('Enter');
    await page.locator('#rows caption', { hasText: 'Rows 101 to' }).waitFor();
    equal((await shownRows()).rows, all.rows.slice(100), 'the second page');
    expect(await page.getByRole('button', { name: 'Next' }).isDisabled(), 'Next on the last page');
    await page.getByRole('button', { name: 'Previous' }).click();
    await page.locator('#rows caption', { hasText: 'Rows 1 to 100' }).waitFor();
    noProblems();
  });

  await step('markup-shown-as-text', async () => {
    await page.getByRole('link', { name: /markup\.qdf/ }).click();
    await page.getByRole('heading', { name: 'from strangers/markup.qdf', level: 2 }).waitFor();
    equal(await page.locator('#tables code').allInnerTexts(), ['ORDERS', `T${attack}`], 'the tables as text');
    // The database knows no such table, and says so beside it, as text too.
    await page.locator('#tables .schema-bad', { hasText: `T${attack}` }).waitFor();
    expect((await page.locator('#settings').innerText()).includes('<script>'), 'the custom data as text');
    await page.waitForTimeout(500);
    equal(await page.evaluate(() => window.__attacked ?? null), null, 'the document\'s script ran');
    equal(await page.locator('#document img').count(), 1, 'images in the document view');
    noProblems();
  });

  await step('damaged-read-only', async () => {
    await page.getByRole('link', { name: /damaged\.qdf/ }).click();
    await page.getByRole('heading', { name: 'damaged.qdf', level: 2 }).waitFor();
    const alert = await page.locator('#read-error').innerText();
    const cli = exportOf(path.join(folder, 'damaged.qdf'), { damaged: true });
    expect(alert.includes(cli.error.message), `the error shown: ${alert}`);
    equal(await page.locator('#tables li').allInnerTexts(), cli.tables, 'what was read');
    equal(await page.locator('#save').count(), 0, 'a Save button');
    equal(await page.locator('#conditions-panel input').count(), 0, 'editable conditions');
  });

  await step('conflict-keeps-edits', async () => {
    await page.getByRole('link', { name: /^sales\.qdf/ }).click();
    await page.getByRole('heading', { name: 'sales.qdf', level: 2 }).waitFor();
    await page.getByRole('button', { name: 'Add a condition' }).click();
    const mine = 'CUSTOMERS.NAME LIKE \'A%\'';
    await page.getByLabel('Condition 5', { exact: true }).fill(mine);
    const other = runQdf('add', path.join(folder, 'sales.qdf'), 'conditions', 'ORDERS.QTY > 1');
    expect(other.status === 0, `qdf add: ${other.stderr}`);
    await page.getByRole('button', { name: 'Save', exact: true }).click();
    await page.locator('#save-message.conflict').waitFor();
    equal(await page.getByLabel('Condition 5', { exact: true }).inputValue(), mine, 'the edit kept');
    equal(exportOf(path.join(folder, 'sales.qdf')).conditions.at(-1), 'ORDERS.QTY > 1',
          'their save kept');
    await page.getByRole('button', { name: 'Show their version' }).click();
    await page.locator('#theirs').waitFor();
    equal((await page.locator('#theirs li').allInnerTexts()).at(-1), 'ORDERS.QTY > 1', 'their version shown');
    equal((await page.locator('#mine li').allInnerTexts()).at(-1), mine, 'my version shown');
  });

  await step('zoomed-200-percent', async () => {
    // Half the width at twice the scale is what 200% zoom shows.
    await page.setViewportSize({ width: 640, height: 900 });
    await page.evaluate(() => window.scrollTo(0, 0));
    const overflow = await page.evaluate(() =>
      document.documentElement.scrollWidth - document.documentElement.clientWidth);
    expect(overflow <= 0, `the page is ${overflow} px wider than the window`);
    await page.getByRole('button', { name: 'Save', exact: true }).waitFor();
  });

  await step('no-session', async () => {
    await context.clearCookies();
    await page.goto(`${origin}/`);
    await page.locator('#status.error').waitFor();
    expect(/address that qdf serve printed/.test(await page.locator('#status').innerText()),
           'the page does not say how to get a session');
  });
  status = 0;
} catch (error) {
  if (!(error instanceof Failure) || failed === 0) {
    failed += 1;
    console.log(`not ok - ${String(error.stack || error).replace(/\n/g, '\n    ')}`);
  }
} finally {
  await context?.close().catch(() => {});
  stopServer();
  console.log(`${passed} passed, ${failed} failed`);
  if (status === 0) fs.rmSync(work, { recursive: true, force: true });
  else console.log(`kept for a look: ${work}; screenshots in ${screenshots}`);
}
process.exit(status);
