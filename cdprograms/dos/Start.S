/* Start-up of the CD's MS-DOS programs. DOS starts them with CS, DS, ES and
   SS all on the program segment prefix, as it starts a .COM program, and
   IP at 100h, where this code is linked. Everything else is C++ (DosStart
   in DosRuntime.cpp). */
        .code16
        .section .start, "ax"
        .globl  _start
_start:
        cld
        /* The compiled code addresses the stack through ESP and EBP: their
           upper halves must be zero. */
        movzwl  %sp, %esp
        andl    $0xFFFC, %esp
        xorl    %ebp, %ebp
        calll   DosStart
        /* DosStart ends the program; should it ever return, end it here. */
        movw    $0x4CFF, %ax
        int     $0x21

        .text
/* Critical-error handler (interrupt 24h): instead of DOS's "Abort, Retry,
   Fail?", which would end the program in the middle of a copy, the call
   fails and the program reports the error and cleans up. */
        .globl  DosFailCriticalError
DosFailCriticalError:
        movb    $3, %al
        iret

/* Ctrl+C and Ctrl+Break (interrupt 23h): ignored. DOS's own handler would
   end the program wherever it stands, files half written. */
        .globl  DosIgnoreBreak
DosIgnoreBreak:
        iret

        .section .note.GNU-stack, "", @progbits
