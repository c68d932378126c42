"""The lines a player types in the long end-to-end games, one command line each."""

# The shortest road to the chapter's end: the rat, the corridor's cables, the shotgun,
# the dog, the rat again, and the door's code.
CHAPTER = [
    "usar jeringuilla en rata",
    "s",
    "coger rata",
    "usar mechero",
    "usar cinta en cable",
    "s",
    "coger escopeta",
    "n",
    "n",
    "disparar escopeta",
    "coger rata",
    "s",
    "o",
    "introducir codigo",
    "746",
]

# The same road, in other words, until the dog is loose; back in the laboratory unarmed.
DEATH = [
    "inyectar aguja en raton",
    "sur",
    "recojer animal",
    "usar mechero",
    "utilizar cinta aislante con cables",
    "norte",
    "huir",
]
