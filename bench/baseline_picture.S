/* The baseline's one picture: the game's own 640x480 title, linked in whole as the game does. */
    .section .rodata.BaselinePicture, "a"
    .global BaselinePicture
    .type BaselinePicture, @object
    .balign 16
BaselinePicture:
    .incbin "title.bmp"
BaselinePicture_end:
    .size BaselinePicture, BaselinePicture_end - BaselinePicture
    .global BaselinePictureSize
    .type BaselinePictureSize, @object
    .balign 4
BaselinePictureSize:
    .long BaselinePicture_end - BaselinePicture
    .size BaselinePictureSize, 4

/* No executable stack. */
    .section .note.GNU-stack, "", @progbits
