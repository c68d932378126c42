// The game with a real screen reader: Orca and chromium on a private desktop (Xvfb, D-Bus and
// AT-SPI, PulseAudio's null sink, speech-dispatcher with espeak-ng), a walkthrough to a death by
// real key presses, and what Orca said, from its debug log: at most two lines of the page at
// load, the keys reaching the game without Orca's focus-mode key, each paragraph of the live
// region in order.
// usage: node screen_reader.mjs SITE_DIR SCRIPTS_DIR ARTIFACTS_DIR [SCRIPT]
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { Launch, children, chromiumPage, play, probe, serve, start, waitFor, walkthrough, words, xvfb } from './browser.mjs';

const [site, scripts, artifacts, name = 'death-leaving'] = process.argv.slice(2);
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'sombrial-orca-'));
const at = (...parts) => path.join(dir, ...parts);

// A daemon of the desktop, its output in the folder; resolves once what it has printed on
// `stream` matches `ready`, with the match's first group, never on a guess of its speed.
function daemon(command, args, ready, stream = 'stderr') {
    const log = fs.openSync(at(path.basename(command) + '.log'), 'a');
    const pipe = (name) => (ready && stream === name ? 'pipe' : log);
    const child = start(command, args, { env, stdio: ['ignore', pipe('stdout'), pipe('stderr')] });
    if (!ready) return Promise.resolve('');
    const out = child[stream];
    let text = '';
    out.on('data', (chunk) => { text += chunk; fs.appendFileSync(log, chunk); });
    return waitFor(`${command} ready`, () => {
        if (child.exitCode !== null) throw new Error(`${command} ended: ${text}`);
        const match = ready.exec(text);
        return match && (match[1] ?? match[0]);
    }, 20);
}

// Nothing of the machine's user: home, runtime, settings and caches in the folder.
for (const sub of ['home', 'run/pulse', 'config/speech-dispatcher/modules', 'orca', 'profile/Default'])
    fs.mkdirSync(at(sub), { recursive: true, mode: 0o700 });
const env = {
    PATH: process.env.PATH, HOME: at('home'), XDG_RUNTIME_DIR: at('run'), XDG_CONFIG_HOME: at('config'),
    XDG_DATA_HOME: at('home'), XDG_CACHE_HOME: at('home'), LANG: 'C.UTF-8',
    ACCESSIBILITY_ENABLED: '1',  // chromium's tree for AT-SPI
    PULSE_SERVER: 'unix:' + at('run/pulse/native'), SPEECHD_ADDRESS: 'unix_socket:' + at('run/speechd.sock'),
};

// Orca's log of what it said: "HH:MM:SS.ffffff - SPEECH OUTPUT: 'words'" and the voice after
// the closing quote; a key's echo ends in a space, Orca's own words about itself are known (the
// window it names by the title it has when focused, the browser's or, once loaded, the page's).
const OrcasOwn = /^(Screen reader on\.|(Chromium|Sombrial) frame\.|Loading\. +Please wait\.|Focus mode|Browse mode|Finished loading .*)$/;
function spoken() {
    const log = fs.existsSync(at('orca.log')) ? fs.readFileSync(at('orca.log'), 'utf8').replaceAll('\r', '') : '';
    const said = [];
    for (const [, text] of log.matchAll(/^\S+ - SPEECH OUTPUT: '((?:.|\n {18})*?)'(?: voice=\w+)?(?:\{.*\}|None)?$/gm)) {
        const echo = text.endsWith(' ') && !text.trim().includes(' ') || /^[a-z]+ [a-z]+ $/.test(text);
        said.push({ text: words(text.replaceAll('\n' + ' '.repeat(18), '\n')), page: !echo && !OrcasOwn.test(text) });
    }
    return said.filter((s) => s.page).map((s) => s.text);
}

let browser;
try {
    // X, its keys for ñ, ¿ and ¡, the session bus and the accessibility bus on it.
    env.DISPLAY = (await xvfb(['-noreset'])).display;
    execFileSync('xmodmap', ['-e', 'keycode 47 = ntilde Ntilde', '-e', 'keycode 21 = exclamdown questiondown'], { env });
    env.DBUS_SESSION_BUS_ADDRESS = await daemon('dbus-daemon', ['--session', '--nofork', '--nopidfile',
        '--address=unix:path=' + at('run/bus'), '--print-address=1'], /^(unix:\S+)\n/, 'stdout');
    execFileSync('dbus-send', ['--session', '--print-reply', '--dest=org.a11y.Bus', '/org/a11y/bus',
                               'org.a11y.Bus.GetAddress'], { env, stdio: 'ignore' });
    // Speech through espeak-ng to a sound server with a null sink, without which speech-dispatcher hangs.
    await daemon('pulseaudio', ['-n', '-v', '--daemonize=no', '--exit-idle-time=-1', '--use-pid-file=no',
                                '--log-target=stderr', '-L', `module-native-protocol-unix socket=${at('run/pulse/native')}`,
                                '-L', 'module-null-sink', '-L', 'module-always-sink'], /Daemon startup complete/);
    fs.copyFileSync('/etc/speech-dispatcher/modules/espeak-ng.conf', at('config/speech-dispatcher/modules/espeak-ng.conf'));
    fs.writeFileSync(at('config/speech-dispatcher/speechd.conf'), 'AudioOutputMethod "pulse"\n' +
        'AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"\nDefaultModule espeak-ng\nDefaultLanguage "es"\n');
    daemon('speech-dispatcher', ['-s', '-t', '0', '-c', 'unix_socket', '-S', at('run/speechd.sock'),
                                 '-C', at('config/speech-dispatcher'), '-L', dir]);
    await waitFor('speech-dispatcher', () => fs.existsSync(at('run/speechd.sock')));
    // Orca at its fastest voice, no braille or sounds (no such devices here). Its debug log is
    // written a line at a time only to a terminal, which `script` gives it; it refuses to start
    // beside another user's Orca, so it runs in a process namespace of its own.
    const general = { enableBraille: false, enableSound: false, voices: { default: { established: false, rate: 99 } } };
    fs.writeFileSync(at('orca', 'user-settings.conf'), JSON.stringify({ general, pronunciations: {}, keybindings: {},
        profiles: { default: { profile: ['Default', 'default'], pronunciations: {}, keybindings: {}, ...general } } }));
    daemon('script', ['--quiet', '--flush', '--return', '--command', 'exec unshare --pid --fork --mount-proc ' +
           `--kill-child orca --user-prefs ${at('orca')} --debug-file /dev/tty >/dev/null 2>&1`, at('orca.log')]);
    await waitFor('Orca', () => fs.existsSync(at('orca.log')) && /SPEECH OUTPUT: 'Screen reader on\./.test(fs.readFileSync(at('orca.log'), 'utf8')));

    // Chromium's window on the page, as a player opens it, with no offer to translate for Orca to read.
    const server = await serve(site);
    fs.writeFileSync(at('profile/Default/Preferences'), JSON.stringify({ translate: { enabled: false } }));
    browser = await chromium.launchPersistentContext(at('profile'), {
        ...Launch, headless: false, env, viewport: null, ignoreDefaultArgs: ['--enable-automation', 'about:blank'],
        args: [...Launch.args, '--force-renderer-accessibility', '--disable-gpu', '--no-first-run', '--disable-sync',
               '--disable-background-networking', '--disable-component-update', '--password-store=basic',
               '--window-position=0,0', '--window-size=1280,800', `--app=http://127.0.0.1:${server.address().port}/`],
    });
    const page = await chromiumPage(browser.pages()[0] ?? await browser.waitForEvent('page'));
    await page.until(() => window.Module && Module.frames > 0);
    await page.evaluate(probe);
    const window = execFileSync('xdotool', ['search', '--sync', '--onlyvisible', '--class', 'chromium'], { env })
        .toString().trim().split('\n').pop();
    execFileSync('xdotool', ['windowfocus', '--sync', window], { env });

    // At load: focus mode by itself, and no more than the game's name and how to play.
    await waitFor('focus mode', () => /SPEECH OUTPUT: 'Focus mode'/.test(fs.readFileSync(at('orca.log'), 'utf8')));
    const atLoad = spoken();
    if (atLoad.length > 2) throw new Error(`at load Orca said ${JSON.stringify(atLoad)}`);

    // Real keys, each once Orca has said every new paragraph (a key makes it drop those it holds).
    const paragraphs = () => page.evaluate(() => [...document.querySelectorAll('#story p')].slice(1).map((p) => p.textContent));
    const heard = async () => {
        const said = spoken();
        let next = 0;
        for (const paragraph of await paragraphs()) {
            next = said.indexOf(words(paragraph), next);
            if (next < 0) return false;
            next++;
        }
        return true;
    };
    const orca = {
        name: 'Orca', frames: true, escape: true,
        press: async (_, key) => {
            await waitFor('Orca to say every paragraph in order', heard, 60);
            const named = { ' ': 'space', '\n': 'Return', Escape: 'Escape' };
            execFileSync('xdotool', named[key] ? ['key', named[key]] : ['type', '--', key], { env });
        },
    };
    const result = await play(page, walkthrough(scripts, name), { hands: orca, artifacts });
    await waitFor('Orca to say every paragraph in order', heard, 60);
    const count = (await paragraphs()).length;
    console.log(`ok   ${name} (Orca): ${result}; ${atLoad.length} line(s) at load, ${count} paragraphs heard in order`);
} catch (error) {
    console.log(`FAIL ${name} (Orca): ${error.message}\n     Orca's log: ${at('orca.log')}`);
    process.exitCode = 1;
} finally {
    await browser?.close().catch(() => {});
    children.forEach((child) => child.kill('SIGKILL'));
    if (!process.exitCode) fs.rmSync(dir, { recursive: true, force: true });
    process.exit();
}
