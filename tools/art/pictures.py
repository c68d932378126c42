"""The eight pictures of the game, in catalogue order, each painted by its own module.

All share one look (paint.py): half-size shaded pixel art in one moody palette,
lit rooms built with scene.py, figures from figures.py.
"""

import corridor
import exit_door
import full_window
import laboratory
import rest_room


def all_pictures():
    """(file name, image) for every picture, in catalogue order."""
    return [
        ("title.bmp", full_window.title()),
        ("laboratory.bmp", laboratory.picture(loose=False)),
        ("laboratory-dog.bmp", laboratory.picture(loose=True)),
        ("corridor.bmp", corridor.picture()),
        ("exit-door.bmp", exit_door.picture()),
        ("rest-room.bmp", rest_room.picture()),
        ("chapter-end.bmp", full_window.chapter_end()),
        ("game-over.bmp", full_window.game_over()),
    ]
