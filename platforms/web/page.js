// The page around the game: the canvas's size, the keyboard, the live region a screen reader
// follows, and the end of a game. Loaded before sombrial.js, which reads the Module set here.
'use strict';

(function () {
    const canvas = document.getElementById('screen');
    const story = document.getElementById('story');
    const help = document.getElementById('help');
    const ended = document.getElementById('ended');
    const again = document.getElementById('again');

    // Paragraphs the live region keeps for the screen reader's cursor: the last few turns.
    const KeptParagraphs = 40;

    // What the page says for the game's events that carry no text of their own; the endings'
    // words are those of their pictures.
    const Words = {
        title: 'Sombrial. Pulsa Intro para empezar.',
        prompt: 'Pulsa espacio para seguir.',
        fin: 'Fin del primer capítulo. Continuará… Pulsa Intro.',
        gameover: 'Has muerto. Pulsa Intro.',
        ended: 'La partida ha terminado. Pulsa Intro para jugar otra vez.',
    };

    // Whole device pixels per game pixel when the window allows, so every pixel stays square
    // and sharp; a window smaller than the game gets it shrunk to fit. The size goes through
    // the style sheet: Emscripten clears the canvas's own style when the game sets its mode.
    function fit() {
        const ratio = window.devicePixelRatio || 1;
        const free = Math.min(window.innerWidth / 640,
                              (window.innerHeight - 2 * help.offsetHeight - 24) / 480);
        const whole = Math.floor(free * ratio);
        const scale = whole >= 1 ? whole / ratio : Math.max(free, 0.1);
        document.documentElement.style.setProperty('--scale', scale);
    }

    // One paragraph more in the live region; the oldest go once there are too many.
    function say(kind, text) {
        const paragraph = document.createElement('p');
        paragraph.textContent = kind === 'page' ? text
                              : kind === 'command' ? 'Orden: ' + text
                              : Words[kind] || text;
        story.append(paragraph);
        while (story.childElementCount > KeptParagraphs)
            story.firstElementChild.remove();
    }

    // Keys pressed before the game listens (it starts listening just before its first frame)
    // are kept and handed to it then, so the first key counts.
    const early = [];
    function keepEarly(event) {
        if (!Module.frames)
            early.push({type: event.type, key: event.key, code: event.code,
                        keyCode: event.keyCode, charCode: event.charCode});
    }
    function replayEarly() {
        for (const k of early.splice(0)) {
            const event = new KeyboardEvent(k.type, {key: k.key, code: k.code,
                                                     bubbles: true, cancelable: true});
            Object.defineProperties(event, {keyCode: {value: k.keyCode},
                                            charCode: {value: k.charCode}});
            document.dispatchEvent(event);
        }
    }
    for (const type of ['keydown', 'keypress', 'keyup'])
        document.addEventListener(type, keepEarly);

    function firstFrame() {
        performance.mark('sombrial-first-frame');
        for (const type of ['keydown', 'keypress', 'keyup'])
            document.removeEventListener(type, keepEarly);
        say('title');
        setTimeout(replayEarly, 0);
    }

    // The game has exited (an ending's Enter, or Escape): the page says so and offers another
    // game. Keys now go to the page, no longer to the game's SDL, which would swallow them.
    function finish() {
        for (const type of ['keydown', 'keypress', 'keyup'])
            window.addEventListener(type, (event) => event.stopImmediatePropagation(), true);
        ended.hidden = false;
        say('ended');
        again.focus();
    }

    window.Module = {
        canvas: canvas,
        frames: 0,
        say: say,
        onFrame: (frames) => { if (frames === 1) firstFrame(); },
        onExit: finish,
        print: (text) => console.log(text),
        printErr: (text) => console.warn(text),  // the browser's SDL warns here; nothing fatal
    };

    again.addEventListener('click', () => location.reload());
    // Keyboard focus stays on the game: a click anywhere but the button gives it back.
    document.addEventListener('mousedown', (event) => {
        if (event.target !== again) {
            event.preventDefault();
            canvas.focus();
        }
    });
    window.addEventListener('resize', fit);
    fit();
    canvas.focus();
})();
