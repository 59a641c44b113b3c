// Walks the page of `qdf serve` in the system's Chromium as a user would, and
// checks what it shows against the qdf command line on the same files: the
// listing, sales.qdf's diagram, a wrong and a right condition, a save, a run
// with parameters and its pages; also markup in a stranger's document shown
// as text, a damaged file read-only, a save after someone else's refused with
// the edits kept, the page at 200% zoom and without a session.
// Environment: QDF (the qdf program), SCREENSHOTS (a folder: one PNG a step).
// Exits 77 (skipped) when Chromium or the npm packages are missing.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const source = path.resolve(here, '..', '..');
const chromiumPath = process.env.CHROMIUM || '/usr/bin/chromium';
const { QDF: qdf, SCREENSHOTS: screenshots } = process.env;
for (const [missing, why] of [
  [!fs.existsSync(chromiumPath), `${chromiumPath} is not installed`],
  [!fs.existsSync(path.join(here, 'node_modules', 'playwright-core')), 'npm ci --prefix tests/browser was not run']]) {
  if (missing) {
    // CI sets TWFILE_REQUIRE_BROWSER: there a missing browser is a failure.
    console.log(`${process.env.TWFILE_REQUIRE_BROWSER ? 'FAILED' : 'SKIPPED'}: ${why} (scripts/deps.sh does it)`);
    process.exit(process.env.TWFILE_REQUIRE_BROWSER ? 1 : 77);
  }
}
if (!qdf || !fs.existsSync(qdf) || !screenshots) {
  console.error('QDF must name the built qdf program and SCREENSHOTS a folder');
  process.exit(1);
}
const { chromium } = await import('playwright-core');

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'qdf-browser-'));
const folder = path.join(work, 'documents');
const sales = path.join(folder, 'sales.qdf');
const database = path.join(work, 'sales.db');
fs.mkdirSync(path.join(folder, 'from strangers'), { recursive: true });
fs.mkdirSync(screenshots, { recursive: true });
for (const old of fs.readdirSync(screenshots).filter((name) => name.endsWith('.png'))) {
  fs.rmSync(path.join(screenshots, old)); // an earlier run's
}

class Failure extends Error {}
function expect(condition, message) {
  if (!condition) throw new Failure(message);
}
function equal(actual, expected, what) {
  const [a, e] = [JSON.stringify(actual), JSON.stringify(expected)];
  expect(a === e, `${what}:\n  expected ${e}\n  got      ${a}`);
}
function runQdf(...args) {
  const result = spawnSync(qdf, args, { encoding: 'utf8', cwd: work });
  if (result.error) throw result.error;
  return result;
}
// The document's JSON form; a damaged one ends export with status 1.
function exportOf(file, damaged = false) {
  const result = runQdf('export', file);
  expect(result.status === (damaged ? 1 : 0), `qdf export ${file}: ${result.status}: ${result.stderr}`);
  return JSON.parse(result.stdout);
}
// The rows `qdf run --format json` prints, as the page shows them.
function cliRows(...params) {
  const cli = runQdf('run', sales, '--db', database, '--format', 'json',
                     ...params.flatMap((p) => ['--param', p]));
  expect(cli.status === 0, `qdf run: ${cli.stderr}`);
  const { columns, rows } = JSON.parse(cli.stdout);
  return { columns, rows: rows.map((row) => row.map((v) => (v === null ? 'NULL' : String(v)))) };
}
async function shownRows() {
  await page.locator('#rows').waitFor();
  return { columns: await page.locator('#rows thead th').allInnerTexts(),
           rows: await page.locator('#rows tbody tr').evaluateAll((trs) =>
             trs.map((tr) => [...tr.cells].map((td) => td.textContent))) };
}

const problems = [];
let [passed, failed, page, context] = [0, 0, null, null];
const servers = [];
async function step(name, body) {
  const label = `${String(passed + failed + 1).padStart(2, '0')}-${name}`;
  try {
    await body();
    passed += 1;
    console.log(`ok ${label}`);
  } catch (error) {
    failed += 1;
    console.log(`not ok ${label}\n${String(error.stack || error).replace(/^/gm, '    ')}`);
    if (problems.length) console.log(`    the page reported:\n      ${problems.join('\n      ')}`);
  }
  await page?.screenshot({ path: path.join(screenshots, `${label}.png`), fullPage: true })
    .catch((error) => console.log(`    (no screenshot: ${error.message})`));
  if (failed) throw new Failure(`step ${label} failed`);
}

// The examples, their database with 230 orders of 2020 more (two pages of
// rows), and a stranger's document whose texts are markup and script.
for (const name of fs.readdirSync(path.join(source, 'examples'))) {
  if (name.endsWith('.qdf')) fs.copyFileSync(path.join(source, 'examples', name), path.join(folder, name));
}
const made = spawnSync('sqlite3', [database], { encoding: 'utf8', input:
  fs.readFileSync(path.join(source, 'examples', 'sales.sql'), 'utf8') + `
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 230)
INSERT INTO ORDERS SELECT 2000 + i, date('2020-01-01', '+' || i || ' days'),
                          1 + i % 6, 10 + i % 4, 1, 500.00 FROM n;` });
if (made.error || made.status !== 0) {
  console.error(`cannot make ${database} with sqlite3: ${made.error?.message ?? made.stderr}`);
  process.exit(1);
}
const attack = '<img src=x onerror="window.__attacked=1">';
fs.writeFileSync(path.join(work, 'attack.json'), JSON.stringify({
  database: `SALES${attack}`, tables: ['ORDERS', `T${attack}`], attributes: ['ORDERS.ORDER_NO'],
  conditions: [`ORDERS.ORDER_NO = '${attack}'`], customDataString: '<script>window.__attacked=2</script>' }));
{
  const made = runQdf('import', 'attack.json', '-o', path.join(folder, 'from strangers', 'markup.qdf'));
  expect(made.status === 0, `qdf import of the markup document: ${made.stderr}`);
}

function stopServers() {
  for (const server of servers) {
    if (server.exitCode === null && server.signalCode === null) server.kill('SIGTERM');
  }
}
process.on('exit', stopServers);
for (const signal of ['SIGINT', 'SIGTERM']) process.on(signal, () => process.exit(1));

// Starts qdf serve and answers the address with the token it prints.
function startServer(...options) {
  return new Promise((resolve, reject) => {
    const server = spawn(qdf, ['serve', folder, '--port', '0', ...options],
                         { cwd: work, stdio: ['ignore', 'pipe', 'inherit'] });
    servers.push(server);
    let out = '';
    const timer = setTimeout(() => reject(new Failure(`qdf serve printed no address in 20 s: ${out}`)), 20000);
    server.stdout.setEncoding('utf8').on('data', (chunk) => {
      out += chunk;
      const found = out.match(/http:\/\/127\.0\.0\.1:\d+\/\?token=[\w.~%-]+/);
      if (!found) return;
      clearTimeout(timer);
      resolve(found[0]);
    });
    server.on('exit', (code, signal) => reject(new Failure(`qdf serve ended: ${code ?? signal}: ${out}`)));
    server.on('error', reject);
  });
}

let status = 1;
try {
  const address = await startServer('--db', database);
  context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
    executablePath: chromiumPath, headless: true, viewport: { width: 1280, height: 900 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'] });
  page = context.pages()[0] ?? await context.newPage();
  page.setDefaultTimeout(30000); // generous: CI runs this beside other suites, qdf under ASan too
  page.on('pageerror', (error) => problems.push(`script error: ${error.message}`));
  // Refused script or style, and whatever the page logs as an error; the
  // API's refusals, which the page shows, are not the page's errors.
  page.on('console', (message) => {
    if (message.type() === 'error' && !/^Failed to load resource: the server responded/.test(message.text())) {
      problems.push(`console: ${message.text()}`);
    }
  });
  const noProblems = () => expect(!problems.length, `the page reported:\n  ${problems.join('\n  ')}`);
  const open = async (name) => {
    await page.locator('#documents').getByRole('link', { name }).click();
    await page.getByRole('heading', { level: 2, name: name.replace(/ \(.*/, ''), exact: true }).waitFor();
  };
  const button = (name) => page.getByRole('button', { name, exact: true });
  const field = (name) => page.getByLabel(name, { exact: true });

  await step('open-address', async () => {
    await page.goto(address);
    equal(page.url(), `${new URL(address).origin}/`, 'the address after the token');
    await page.getByRole('heading', { name: 'Documents', exact: true }).waitFor();
  });

  await step('examples-listed', async () => {
    const item = (name) => page.locator('#documents li', { has: page.getByRole('link', { name }) });
    for (const name of ['sales.qdf', 'legacy.qdf', 'from strangers/markup.qdf']) {
      expect(!/not read cleanly/.test(await item(name).innerText()), `${name} is marked damaged`);
    }
    expect(/not read cleanly/.test(await item('damaged.qdf (does not read cleanly)').innerText()),
           'damaged.qdf carries no mark');
    noProblems();
  });

  await step('document-and-diagram', async () => {
    await open('sales.qdf');
    equal(await page.locator('#tables li').allInnerTexts(), ['ORDERS', 'CUSTOMERS', 'PRODUCTS'], 'the tables');
    equal(await page.locator('#joins li').allInnerTexts(), exportOf(sales).joins, 'the joins');
    await page.waitForFunction(() => document.getElementById('diagram')?.naturalWidth > 0);
    // The picture the page shows, fetched through the page's own session.
    const svg = await page.evaluate(async (src) => {
      const response = await fetch(src);
      return { type: response.headers.get('Content-Type'), text: await response.text() };
    }, await page.locator('#diagram').getAttribute('src'));
    expect(/svg/.test(svg.type), `the diagram's type is ${svg.type}`);
    for (const table of ['ORDERS', 'CUSTOMERS', 'PRODUCTS']) {
      expect(svg.text.includes(`>${table}<`), `the diagram shows no table ${table}`);
    }
    equal(svg.text.match(/class="edge"/g)?.length, 2, 'the edges in the diagram');
    expect(/Selection\s*By row/.test(await page.locator('#settings').innerText()), 'the flags in words');
    noProblems();
    await page.screenshot({ path: path.join(screenshots, 'document-view.png') });
  });

  const condition = field('Condition 4');
  const verdict = (kind) => page.locator(`#conditions > li:nth-child(4) .messages.${kind}`);
  await step('wrong-condition', async () => {
    const wrong = 'ORDERS.AMOUNT > > 5';
    const cli = runQdf('condition', '--type', 'real', wrong);
    const message = cli.stdout.match(/^message: +(.+)$/m)?.[1];
    expect(cli.status === 1 && message, `qdf condition says of ${wrong}:\n${cli.stdout}`);
    await condition.fill('');
    await condition.pressSequentially(wrong, { delay: 20 });
    // A slow machine may check a part of the text first: its answer is replaced.
    await verdict('bad').filter({ hasText: message }).waitFor();
    equal(await condition.getAttribute('aria-invalid'), 'true', 'the field marked invalid');
    equal(await verdict('bad').getAttribute('id'), await condition.getAttribute('aria-describedby'),
          'the field described by its messages');
  });

  const conditions = exportOf(sales).conditions;
  await step('fix-and-save', async () => {
    conditions[3] = 'ORDERS.AMOUNT >= <<MinAmount>>';
    await condition.fill(conditions[3]);
    await verdict('ok').waitFor();
    await button('Save').click();
    await page.locator('#save-message.ok', { hasText: 'Saved sales.qdf' }).waitFor();
    const saved = exportOf(sales);
    equal(saved.conditions, conditions, 'the saved conditions');
    const before = exportOf(path.join(source, 'examples', 'sales.qdf'));
    equal({ ...saved, conditions: before.conditions, file: before.file }, before, 'the other members');
    noProblems();
  });

  await step('run-with-parameters', async () => {
    await field('From').fill('2024-01-01');
    await field('To').fill('2024-12-31');
    await button('Run').click();
    const expected = cliRows('From=2024-01-01', 'To=2024-12-31');
    expect(expected.rows.length > 0, 'qdf run printed no rows: the flow proves nothing');
    equal(await shownRows(), expected, 'the rows shown');
    expect(/SELECT/.test(await page.locator('#statement').innerText()), 'no SQL shown');
    noProblems();
  });

  await step('rows-in-pages', async () => {
    await field('From').fill('2020-01-01');
    await field('To').fill('2020-12-31');
    await button('Run').click();
    const all = cliRows('From=2020-01-01', 'To=2020-12-31').rows;
    expect(all.length > 100 && all.length <= 200, `${all.length} rows for two pages`);
    await page.locator('#rows caption', { hasText: 'Rows 1 to 100' }).waitFor();
    equal((await shownRows()).rows, all.slice(0, 100), 'the first page');
    expect(await button('Previous').isDisabled(), 'Previous on page 1');
    await button('Next').focus(); // by keyboard
    await page.keyboard.press('Enter');
    await page.locator('#rows caption', { hasText: 'Rows 101 to' }).waitFor();
    equal((await shownRows()).rows, all.slice(100), 'the second page');
    expect(await button('Next').isDisabled(), 'Next on the last page');
    noProblems();
  });

  await step('markup-shown-as-text', async () => {
    await open('from strangers/markup.qdf');
    equal(await page.locator('#tables code').allInnerTexts(), ['ORDERS', `T${attack}`], 'the tables');
    // The database has no such table, and the page says so beside it.
    await page.locator('#tables .schema-bad', { hasText: `T${attack}` }).waitFor();
    expect((await page.locator('#settings').innerText()).includes('<script>'), 'the custom data');
    await page.waitForTimeout(500);
    equal(await page.evaluate(() => window.__attacked ?? null), null, 'the document\'s script ran');
    equal(await page.locator('#document img').count(), 1, 'images in the document view');
    noProblems();
  });

  await step('damaged-read-only', async () => {
    await open('damaged.qdf (does not read cleanly)');
    const read = exportOf(path.join(folder, 'damaged.qdf'), true);
    const alert = await page.locator('#read-error').innerText();
    expect(alert.includes(read.error.message), `the error shown: ${alert}`);
    equal(await page.locator('#tables li').allInnerTexts(), read.tables, 'what was read');
    expect((await page.locator('#settings').innerText()).includes('not read (FLAGS)'), 'defaults as flags');
    equal(await page.locator('#save, #conditions-panel input, #run').count(), 0, 'controls that change or run');
  });

  await step('conflict-keeps-edits', async () => {
    await open('sales.qdf');
    await button('Add a condition').click();
    const mine = "CUSTOMERS.NAME LIKE 'A%'";
    await field('Condition 5').fill(mine);
    expect(runQdf('add', sales, 'conditions', 'ORDERS.QTY > 1').status === 0, 'qdf add failed');
    await button('Save').click();
    await page.locator('#save-message.conflict').waitFor();
    equal(await field('Condition 5').inputValue(), mine, 'the edit kept');
    equal(exportOf(sales).conditions, [...conditions, 'ORDERS.QTY > 1'], 'their save kept');
    await button('Show their version').click();
    equal(await page.locator('#theirs li').last().innerText(), 'ORDERS.QTY > 1', 'their version shown');
    equal(await page.locator('#mine li').last().innerText(), mine, 'mine shown');
    await button('Save mine over theirs').click();
    await page.locator('#save-message.ok').waitFor();
    equal(exportOf(sales).conditions, [...conditions, mine], 'mine saved over theirs');
  });

  await step('zoomed-200-percent', async () => {
    // Half the width is what 200% zoom leaves a page.
    await page.setViewportSize({ width: 640, height: 900 });
    const overflow = await page.evaluate(() => document.documentElement.scrollWidth - innerWidth);
    expect(overflow <= 0, `the page is ${overflow} px wider than the window`);
  });

  await step('without-database', async () => {
    await page.goto(await startServer());
    await open('sales.qdf');
    expect(await button('Run').isDisabled(), 'Run without a database');
    // The library checks a condition as the type the user chooses.
    await field('Condition 1').fill('ORDERS.AMOUNT > > 5');
    await page.getByLabel('Type of condition 1').selectOption('real');
    await page.locator('#conditions > li:nth-child(1) .messages.bad',
                       { hasText: 'Invalid characters found in number!' }).waitFor();
  });

  await step('no-session', async () => {
    await context.clearCookies();
    await page.goto(`${new URL(address).origin}/`);
    expect(/address that qdf serve printed/.test(await page.locator('#status.error').innerText()),
           'the page does not say how to get a session');
  });
  status = 0;
} catch (error) {
  if (!(error instanceof Failure && failed)) {
    failed += 1;
    console.log(`not ok - ${String(error.stack || error).replace(/\n/g, '\n    ')}`);
  }
} finally {
  await context?.close().catch(() => {});
  stopServers();
  console.log(`${passed} passed, ${failed} failed`);
  if (status === 0) fs.rmSync(work, { recursive: true, force: true });
  else console.log(`kept for a look: ${work}; screenshots in ${screenshots}`);
}
process.exit(status);
